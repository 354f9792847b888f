#include "text/UnicodeCase.h"

#include <unicode/uchar.h>
#include <unicode/uset.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "text/TextEncoding.h"

namespace kesto {
namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The range the second byte of a sequence may take: narrower than a continuation's after
// the leads that could start an overlong form, a surrogate or a value past U+10FFFF.
bool SecondByteFits(unsigned char lead, unsigned char second) {
    switch (lead) {
    case 0xE0:
        return second >= 0xA0 && second <= 0xBF;
    case 0xED:
        return second >= 0x80 && second <= 0x9F;
    case 0xF0:
        return second >= 0x90 && second <= 0xBF;
    case 0xF4:
        return second >= 0x80 && second <= 0x8F;
    default:
        return IsContinuation(second);
    }
}

bool IsCased(char32_t code) {
    const auto c = static_cast<UChar32>(code);
    return u_isupper(c) || u_islower(c) || u_istitle(c);
}

bool IsUpperOrTitle(char32_t code) {
    const auto c = static_cast<UChar32>(code);
    return u_isupper(c) || u_istitle(c);
}

struct SetCloser {
    void operator()(USet* set) const { uset_close(set); }
};

}  // namespace

UnicodeCase::Char UnicodeCase::Decode(std::string_view text, std::size_t at) {
    if (at >= text.size()) return {};
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = Utf8SequenceLength(lead);
    if (length == 0 || at + length > text.size()) return {};
    if (length == 1) return {lead, 1};
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if (!SecondByteFits(lead, second)) return {};
    char32_t code = lead & (0x7F >> length);
    code = (code << 6) | (second & 0x3F);
    for (std::size_t i = 2; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if (!IsContinuation(byte)) return {};
        code = (code << 6) | (byte & 0x3F);
    }
    return {code, length};
}

void UnicodeCase::Append(char32_t code, std::string& out) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

UnicodeCase::Encoding UnicodeCase::EncodingOf(std::string_view text) {
    Encoding found = Encoding::Ascii;
    std::size_t at = 0;
    while (at < text.size()) {
        // Runs of ASCII, the bulk of most text, are passed eight bytes at a time.
        std::uint64_t word = 0;
        if (at + sizeof word <= text.size()) {
            std::memcpy(&word, text.data() + at, sizeof word);
            if ((word & kHighBits) == 0) {
                at += sizeof word;
                continue;
            }
        }
        const Char next = Decode(text, at);
        if (next.length == 0) return Encoding::NotUtf8;
        if (next.length > 1) found = Encoding::Utf8;
        at += next.length;
    }
    return found;
}

bool UnicodeCase::IsAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

char32_t UnicodeCase::Fold(char32_t code) {
    if (code < 0x80) return code >= 'A' && code <= 'Z' ? code + 32 : code;
    return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(code), U_FOLD_CASE_DEFAULT));
}

std::vector<char32_t> UnicodeCase::FoldsAlike(char32_t code) {
    std::vector<char32_t> alike{code};
    const std::unique_ptr<USet, SetCloser> set(uset_openEmpty());
    if (!set) return alike;
    uset_add(set.get(), static_cast<UChar32>(code));
    // The closure holds every case relation, full ones too; the simple fold sorts them.
    uset_closeOver(set.get(), USET_CASE_INSENSITIVE);
    const char32_t folded = Fold(code);
    const std::int32_t items = uset_getItemCount(set.get());
    for (std::int32_t i = 0; i < items; ++i) {
        UChar32 first = 0;
        UChar32 last = 0;
        UErrorCode status = U_ZERO_ERROR;
        // An item with a length is a string (ß's "ss"): no single character.
        if (uset_getItem(set.get(), i, &first, &last, nullptr, 0, &status) != 0) continue;
        for (UChar32 c = first; c <= last; ++c) {
            const auto candidate = static_cast<char32_t>(c);
            if (candidate != code && Fold(candidate) == folded) alike.push_back(candidate);
        }
    }
    return alike;
}

bool UnicodeCase::HoldsFoldsOfAsciiLetters(std::string_view text) {
    static constexpr std::string_view kKelvinSign = "\xE2\x84\xAA";
    static constexpr std::string_view kLongS = "\xC5\xBF";
    return text.find(kKelvinSign) != std::string_view::npos ||
           text.find(kLongS) != std::string_view::npos;
}

bool UnicodeCase::HasLettersFoldedFromBeyondAscii(std::string_view ascii) {
    return ascii.find_first_of("kKsS") != std::string_view::npos;
}

CaseShape UnicodeCase::ShapeOf(std::string_view text) {
    int letters = 0;
    int upper = 0;
    bool firstUpper = false;
    for (std::size_t at = 0; at < text.size();) {
        const Char next = Decode(text, at);
        if (next.length == 0) {
            ++at;
            continue;
        }
        at += next.length;
        if (!IsCased(next.code)) continue;
        if (IsUpperOrTitle(next.code)) {
            if (letters == 0) firstUpper = true;
            ++upper;
        }
        ++letters;
    }
    return ShapeOfLetters(letters, upper, firstUpper);
}

void UnicodeCase::ApplyShape(CaseShape shape, std::string& text) {
    if (shape == CaseShape::AsTyped) return;
    std::string shaped;
    shaped.reserve(text.size());
    bool first = true;
    for (std::size_t at = 0; at < text.size();) {
        const Char next = Decode(text, at);
        if (next.length == 0) {
            shaped += text[at++];
            continue;
        }
        at += next.length;
        if (!IsCased(next.code)) {
            Append(next.code, shaped);
            continue;
        }
        const auto c = static_cast<UChar32>(next.code);
        UChar32 mapped = u_tolower(c);
        if (shape == CaseShape::Upper) mapped = u_toupper(c);
        if (shape == CaseShape::Capitalised && first) mapped = u_totitle(c);
        Append(static_cast<char32_t>(mapped), shaped);
        first = false;
    }
    text = std::move(shaped);
}

}  // namespace kesto
