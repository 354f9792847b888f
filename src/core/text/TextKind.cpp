#include "text/TextKind.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kesto {
namespace {

// The length of the UTF-8 sequence that starts with `lead`, 0 when no sequence does.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// Whether `head` is UTF-8, a sequence cut by the end of the head included.
bool IsUtf8(std::string_view head) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(head.data());
    for (std::size_t i = 0; i < head.size();) {
        const std::size_t length = SequenceLength(bytes[i]);
        if (length == 0) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if (i + k >= head.size()) return true;
            if ((bytes[i + k] & 0xC0) != 0x80) return false;
        }
        // Overlong forms, surrogates and code points past U+10FFFF.
        if (length == 3 && ((bytes[i] == 0xE0 && bytes[i + 1] < 0xA0) ||
                            (bytes[i] == 0xED && bytes[i + 1] >= 0xA0))) {
            return false;
        }
        if (length == 4 && ((bytes[i] == 0xF0 && bytes[i + 1] < 0x90) ||
                            (bytes[i] == 0xF4 && bytes[i + 1] >= 0x90))) {
            return false;
        }
        i += length;
    }
    return true;
}

std::size_t ControlBytesIn(std::string_view bytes) {
    std::size_t control = 0;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 && byte != '\t' && byte != '\r' && byte != '\n') ++control;
    }
    return control;
}

// Every file read is looked at here before it is searched, so the count takes sixteen bytes
// at a time where the machine can.
bool MostlyControlBytes(std::string_view head) {
    std::size_t control = 0;
    std::size_t i = 0;
#ifdef __SSE2__
    const __m128i highestControl = _mm_set1_epi8(31);
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (i + 16 <= head.size()) {
        // Each byte lane counts up to 255 blocks before the lanes are summed.
        __m128i counts = _mm_setzero_si128();
        for (int block = 0; block < 255 && i + 16 <= head.size(); ++block, i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(head.data() + i));
            const __m128i isControl = _mm_cmpeq_epi8(_mm_min_epu8(v, highestControl), v);
            const __m128i isBreakOrTab = _mm_or_si128(
                _mm_cmpeq_epi8(v, tab), _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
            counts = _mm_sub_epi8(counts, _mm_andnot_si128(isBreakOrTab, isControl));
        }
        const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
        control += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                   static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
#endif
    control += ControlBytesIn(head.substr(i));
    return control * 10 > head.size() * 3;
}

}  // namespace

TextKind KindOfText(std::string_view bytes) {
    const std::string_view head = bytes.substr(0, kTextKindHead);
    if (head.empty()) return TextKind::Text;
    if (head.starts_with(std::string_view("\xFF\xFE\0\0", 4)) ||
        head.starts_with(std::string_view("\0\0\xFE\xFF", 4))) {
        return TextKind::Utf32;
    }
    if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF")) return TextKind::Utf16;
    if (std::memchr(head.data(), 0, head.size())) return TextKind::Binary;
    // Text of any language has few control bytes, so the cheap count decides nearly every file
    // and the UTF-8 walk runs only on the rest.
    if (MostlyControlBytes(head) && !IsUtf8(head)) return TextKind::Binary;
    return TextKind::Text;
}

std::optional<std::string_view> NotSearchedReason(TextKind kind) {
    switch (kind) {
    case TextKind::Binary:
        return "Binary file - not searched!";
    case TextKind::Utf16:
        return "UTF-16 text - not searched!";
    case TextKind::Utf32:
        return "UTF-32 text - not searched!";
    case TextKind::Text:
        break;
    }
    return std::nullopt;
}

}  // namespace kesto
