#include "text/TextEncoding.h"

#include <algorithm>
#include <cstdint>
#include <new>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kesto {
namespace {

constexpr std::string_view kOddLength = "UTF-16 text of an odd length - not searched!";
constexpr std::string_view kUnpairedSurrogate =
    "UTF-16 text with an unpaired surrogate - not searched!";
constexpr std::string_view kCutUtf32 = "UTF-32 text cut short - not searched!";
constexpr std::string_view kNoCharacter =
    "UTF-32 text with a value that is no character - not searched!";
constexpr std::string_view kOutOfMemory = "Out of Memory, couldn't process!";

bool IsUtf32(TextEncoding encoding) {
    return encoding == TextEncoding::Utf32Le || encoding == TextEncoding::Utf32Be;
}

bool IsBigEndian(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16Be || encoding == TextEncoding::Utf32Be;
}

std::uint32_t Unit16(const unsigned char* at, bool bigEndian) {
    return bigEndian ? (std::uint32_t{at[0]} << 8) | at[1] : (std::uint32_t{at[1]} << 8) | at[0];
}

std::uint32_t Unit32(const unsigned char* at, bool bigEndian) {
    return bigEndian ? (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) |
                           (std::uint32_t{at[2]} << 8) | at[3]
                     : (std::uint32_t{at[3]} << 24) | (std::uint32_t{at[2]} << 16) |
                           (std::uint32_t{at[1]} << 8) | at[0];
}

bool IsSurrogate(std::uint32_t value) {
    return value >= 0xD800 && value <= 0xDFFF;
}

std::size_t PutUtf8(std::uint32_t codePoint, char* out) {
    if (codePoint < 0x80) {
        out[0] = static_cast<char>(codePoint);
        return 1;
    }
    if (codePoint < 0x800) {
        out[0] = static_cast<char>(0xC0 | (codePoint >> 6));
        out[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
        return 2;
    }
    if (codePoint < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (codePoint >> 12));
        out[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (codePoint >> 18));
    out[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 4;
}

void PutUnit16(std::uint32_t unit, bool bigEndian, char* out) {
    out[bigEndian ? 0 : 1] = static_cast<char>(unit >> 8);
    out[bigEndian ? 1 : 0] = static_cast<char>(unit & 0xFF);
}

void PutUnit32(std::uint32_t unit, bool bigEndian, char* out) {
    for (int i = 0; i < 4; ++i) {
        out[bigEndian ? 3 - i : i] = static_cast<char>((unit >> (8 * i)) & 0xFF);
    }
}

// Most text of these files is ASCII: it is turned over eight characters at a time, until a
// character that is not.
#ifdef __SSE2__
std::size_t AsciiFromUtf16(const unsigned char* in, std::size_t units, bool bigEndian, char* out) {
    const __m128i notAscii = _mm_set1_epi16(static_cast<short>(bigEndian ? 0x80FF : 0xFF80));
    std::size_t i = 0;
    for (; i + 8 <= units; i += 8) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i));
        const __m128i outside = _mm_cmpeq_epi8(_mm_and_si128(v, notAscii), _mm_setzero_si128());
        if (_mm_movemask_epi8(outside) != 0xFFFF) break;
        if (bigEndian) v = _mm_srli_epi16(v, 8);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(v, v));
    }
    return i;
}

std::size_t AsciiToUtf16(const unsigned char* in, std::size_t size, bool bigEndian, char* out) {
    std::size_t i = 0;
    for (; i + 16 <= size; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        if (_mm_movemask_epi8(v) != 0) break;
        const __m128i zero = _mm_setzero_si128();
        const __m128i low = bigEndian ? _mm_unpacklo_epi8(zero, v) : _mm_unpacklo_epi8(v, zero);
        const __m128i high = bigEndian ? _mm_unpackhi_epi8(zero, v) : _mm_unpackhi_epi8(v, zero);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i + 16), high);
    }
    return i;
}
#else
std::size_t AsciiFromUtf16(const unsigned char*, std::size_t, bool, char*) {
    return 0;
}
std::size_t AsciiToUtf16(const unsigned char*, std::size_t, bool, char*) {
    return 0;
}
#endif

std::optional<std::string_view> DecodeUtf16(const unsigned char* in, std::size_t units,
                                            bool bigEndian, char* out, std::size_t& written) {
    std::size_t o = 0;
    for (std::size_t i = 0; i < units;) {
        const std::size_t ascii = AsciiFromUtf16(in + 2 * i, units - i, bigEndian, out + o);
        i += ascii;
        o += ascii;
        // A few characters one by one before the next try at eight.
        for (const std::size_t stop = std::min(units, i + 8); i < stop; ++i) {
            std::uint32_t codePoint = Unit16(in + 2 * i, bigEndian);
            if (IsSurrogate(codePoint)) {
                const bool high = codePoint < 0xDC00;
                const std::uint32_t next = i + 1 < units ? Unit16(in + 2 * (i + 1), bigEndian) : 0;
                if (!high || next < 0xDC00 || next > 0xDFFF) return kUnpairedSurrogate;
                codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (next - 0xDC00);
                ++i;
            }
            o += PutUtf8(codePoint, out + o);
        }
    }
    written = o;
    return std::nullopt;
}

std::optional<std::string_view> DecodeUtf32(const unsigned char* in, std::size_t units,
                                            bool bigEndian, char* out, std::size_t& written) {
    std::size_t o = 0;
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t codePoint = Unit32(in + 4 * i, bigEndian);
        if (codePoint > 0x10FFFF || IsSurrogate(codePoint)) return kNoCharacter;
        o += PutUtf8(codePoint, out + o);
    }
    written = o;
    return std::nullopt;
}

// The code point of the whole sequence of `length` bytes at `at`; none when it is no UTF-8
// (a byte that does not continue it, an overlong form, a surrogate, past U+10FFFF).
std::optional<std::uint32_t> CodePointAt(const unsigned char* at, std::size_t length) {
    std::uint32_t codePoint = length == 1 ? at[0] : at[0] & (0x7Fu >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((at[k] & 0xC0) != 0x80) return std::nullopt;
        codePoint = (codePoint << 6) | (at[k] & 0x3Fu);
    }
    const bool overlong =
        (length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000);
    if (overlong || IsSurrogate(codePoint) || codePoint > 0x10FFFF) return std::nullopt;
    return codePoint;
}

}  // namespace

std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

EncodingMark EncodingMarkOf(std::string_view bytes) {
    if (bytes.starts_with(std::string_view("\xFF\xFE\0\0", 4))) return {TextEncoding::Utf32Le, 4};
    if (bytes.starts_with(std::string_view("\0\0\xFE\xFF", 4))) return {TextEncoding::Utf32Be, 4};
    if (bytes.starts_with("\xFF\xFE")) return {TextEncoding::Utf16Le, 2};
    if (bytes.starts_with("\xFE\xFF")) return {TextEncoding::Utf16Be, 2};
    if (bytes.starts_with("\xEF\xBB\xBF")) return {TextEncoding::Utf8, 3};
    return {};
}

std::optional<std::string_view> DecodeToUtf8(std::string_view units, TextEncoding encoding,
                                             TextBuffer& utf8) {
    utf8.size = 0;
    const bool wide = IsUtf32(encoding);
    if (units.size() % (wide ? 4 : 2) != 0) return wide ? kCutUtf32 : kOddLength;
    // A UTF-16 unit becomes three bytes at most, a UTF-32 one four.
    const std::size_t most = (wide ? units.size() : units.size() / 2 * 3) + 2;
    if (utf8.capacity < most) {
        utf8.bytes.reset(new (std::nothrow) char[most]);
        utf8.capacity = utf8.bytes ? most : 0;
        if (!utf8.bytes) return kOutOfMemory;
    }
    const auto* in = reinterpret_cast<const unsigned char*>(units.data());
    const bool bigEndian = IsBigEndian(encoding);
    std::size_t written = 0;
    const std::optional<std::string_view> refused =
        wide ? DecodeUtf32(in, units.size() / 4, bigEndian, utf8.bytes.get(), written)
             : DecodeUtf16(in, units.size() / 2, bigEndian, utf8.bytes.get(), written);
    if (refused) return refused;
    utf8.bytes[written] = '\0';
    utf8.bytes[written + 1] = '\0';
    utf8.size = written;
    return std::nullopt;
}

EncodeProgress EncodeFromUtf8(std::string_view utf8, TextEncoding encoding, char* out) {
    const auto* in = reinterpret_cast<const unsigned char*>(utf8.data());
    const bool wide = IsUtf32(encoding);
    const bool bigEndian = IsBigEndian(encoding);
    EncodeProgress progress;
    std::size_t& i = progress.taken;
    std::size_t& o = progress.written;
    while (i < utf8.size()) {
        if (!wide) {
            const std::size_t ascii = AsciiToUtf16(in + i, utf8.size() - i, bigEndian, out + o);
            i += ascii;
            o += 2 * ascii;
            if (i == utf8.size()) break;
        }
        const std::size_t length = Utf8SequenceLength(in[i]);
        if (length == 0) {
            progress.invalid = true;
            break;
        }
        if (i + length > utf8.size()) break;
        const std::optional<std::uint32_t> codePoint = CodePointAt(in + i, length);
        if (!codePoint) {
            progress.invalid = true;
            break;
        }
        if (wide) {
            PutUnit32(*codePoint, bigEndian, out + o);
            o += 4;
        } else if (*codePoint < 0x10000) {
            PutUnit16(*codePoint, bigEndian, out + o);
            o += 2;
        } else {
            const std::uint32_t above = *codePoint - 0x10000;
            PutUnit16(0xD800 + (above >> 10), bigEndian, out + o);
            PutUnit16(0xDC00 + (above & 0x3FF), bigEndian, out + o + 2);
            o += 4;
        }
        i += length;
    }
    return progress;
}

}  // namespace kesto
