#include "text/TextKind.h"

#include "text/TextEncoding.h"

#ifdef __SSE2__
#include <immintrin.h>
#endif

namespace kesto {
namespace {

// Whether `head` is UTF-8, a sequence cut by the end of the head included.
bool IsUtf8(std::string_view head) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(head.data());
    for (std::size_t i = 0; i < head.size();) {
        const std::size_t length = Utf8SequenceLength(bytes[i]);
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

// What the judgement counts in a head: its control bytes other than tab, CR and LF, and
// whether one of them is NUL.
struct Census {
    std::size_t control = 0;
    bool nul = false;
};

void CountOneByOne(std::string_view bytes, Census& census) {
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 && byte != '\t' && byte != '\r' && byte != '\n') ++census.control;
        census.nul |= byte == 0;
    }
}

// Every file read is looked at here before it is searched, so the count takes as many bytes
// at once as the processor can, and finds a NUL on the same pass. Each byte lane counts up to
// 255 blocks before the lanes are summed.
#ifdef __SSE2__
std::size_t CountSixteenAtOnce(std::string_view head, Census& census) {
    const __m128i highestControl = _mm_set1_epi8(31);
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    __m128i nul = _mm_setzero_si128();
    std::size_t i = 0;
    while (i + 16 <= head.size()) {
        __m128i counts = _mm_setzero_si128();
        for (int block = 0; block < 255 && i + 16 <= head.size(); ++block, i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(head.data() + i));
            const __m128i isControl = _mm_cmpeq_epi8(_mm_min_epu8(v, highestControl), v);
            const __m128i isBreakOrTab = _mm_or_si128(
                _mm_cmpeq_epi8(v, tab), _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
            counts = _mm_sub_epi8(counts, _mm_andnot_si128(isBreakOrTab, isControl));
            nul = _mm_or_si128(nul, _mm_cmpeq_epi8(v, _mm_setzero_si128()));
        }
        const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
        census.control += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                          static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
    census.nul |= _mm_movemask_epi8(nul) != 0;
    return i;
}

__attribute__((target("avx2"))) std::size_t CountThirtyTwoAtOnce(std::string_view head,
                                                                 Census& census) {
    const __m256i highestControl = _mm256_set1_epi8(31);
    const __m256i tab = _mm256_set1_epi8('\t');
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i lf = _mm256_set1_epi8('\n');
    __m256i nul = _mm256_setzero_si256();
    std::size_t i = 0;
    while (i + 32 <= head.size()) {
        __m256i counts = _mm256_setzero_si256();
        for (int block = 0; block < 255 && i + 32 <= head.size(); ++block, i += 32) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(head.data() + i));
            const __m256i isControl = _mm256_cmpeq_epi8(_mm256_min_epu8(v, highestControl), v);
            const __m256i isBreakOrTab = _mm256_or_si256(
                _mm256_cmpeq_epi8(v, tab),
                _mm256_or_si256(_mm256_cmpeq_epi8(v, cr), _mm256_cmpeq_epi8(v, lf)));
            counts = _mm256_sub_epi8(counts, _mm256_andnot_si256(isBreakOrTab, isControl));
            nul = _mm256_or_si256(nul, _mm256_cmpeq_epi8(v, _mm256_setzero_si256()));
        }
        const __m256i sums = _mm256_sad_epu8(counts, _mm256_setzero_si256());
        census.control += static_cast<std::size_t>(_mm256_extract_epi64(sums, 0)) +
                          static_cast<std::size_t>(_mm256_extract_epi64(sums, 1)) +
                          static_cast<std::size_t>(_mm256_extract_epi64(sums, 2)) +
                          static_cast<std::size_t>(_mm256_extract_epi64(sums, 3));
    }
    census.nul |= _mm256_movemask_epi8(nul) != 0;
    return i;
}
#endif

Census CensusOf(std::string_view head) {
    Census census;
    std::size_t counted = 0;
#ifdef __SSE2__
    static const bool thirtyTwoAtOnce = __builtin_cpu_supports("avx2");
    counted =
        thirtyTwoAtOnce ? CountThirtyTwoAtOnce(head, census) : CountSixteenAtOnce(head, census);
#endif
    CountOneByOne(head.substr(counted), census);
    return census;
}

}  // namespace

TextKind KindOfText(std::string_view bytes) {
    const std::string_view head = bytes.substr(0, kTextKindHead);
    if (head.empty()) return TextKind::Text;
    const Census census = CensusOf(head);
    if (census.nul) return TextKind::Binary;
    // Text of any language has few control bytes, so the count decides nearly every file and
    // the UTF-8 walk runs only on the rest.
    const bool mostlyControl = census.control * 10 > head.size() * 3;
    if (mostlyControl && !IsUtf8(head)) return TextKind::Binary;
    return TextKind::Text;
}

std::optional<std::string_view> NotSearchedReason(TextKind kind) {
    switch (kind) {
    case TextKind::Binary:
        return "Binary file - not searched!";
    case TextKind::Text:
        break;
    }
    return std::nullopt;
}

}  // namespace kesto
