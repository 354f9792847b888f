#include "literal/ByteMask.h"

#ifdef KESTO_BYTE_MASK_SSE2
#include <tmmintrin.h>
#endif

namespace kesto {

ByteMask::Set ByteMask::SetOf(const std::array<bool, 256>& members) {
    Set set;
    set.members = members;
    for (unsigned value = 0; value < 256; ++value) {
        if (!members[value]) continue;
        const unsigned high = value >> 4;
        auto& rows = high < 8 ? set.lowRows : set.highRows;
        rows[value & 15] |= static_cast<std::uint8_t>(1u << (high & 7));
    }
    set.sixteenAtOnce = CanShuffleBytes();
    return set;
}

#ifdef KESTO_BYTE_MASK_SSE2
bool ByteMask::CanShuffleBytes() {
    static const bool supported = __builtin_cpu_supports("ssse3");
    return supported;
}

__attribute__((target("ssse3"))) std::uint64_t ByteMask::InSetSixteenAtOnce(
    const Set& set, const unsigned char* bytes) {
    const __m128i lowRows = _mm_load_si128(reinterpret_cast<const __m128i*>(set.lowRows.data()));
    const __m128i highRows = _mm_load_si128(reinterpret_cast<const __m128i*>(set.highRows.data()));
    // The bit of a byte's high four bits in its row, in the table of its half.
    const __m128i lowBits = _mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m128i highBits = _mm_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 4, 8, 16, 32, 64, -128);
    const __m128i nibble = _mm_set1_epi8(0x0f);
    std::uint64_t mask = 0;
    for (std::size_t lane = 0; lane < kMaxWidth; lane += kLane) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + lane));
        const __m128i low = _mm_and_si128(chunk, nibble);
        const __m128i high = _mm_and_si128(_mm_srli_epi16(chunk, 4), nibble);
        const __m128i inLow =
            _mm_and_si128(_mm_shuffle_epi8(lowRows, low), _mm_shuffle_epi8(lowBits, high));
        const __m128i inHigh =
            _mm_and_si128(_mm_shuffle_epi8(highRows, low), _mm_shuffle_epi8(highBits, high));
        const __m128i outside = _mm_cmpeq_epi8(_mm_or_si128(inLow, inHigh), _mm_setzero_si128());
        const auto bits = static_cast<std::uint64_t>(~_mm_movemask_epi8(outside) & 0xffff);
        mask |= bits << lane;
    }
    return mask;
}
#else
bool ByteMask::CanShuffleBytes() {
    return false;
}

std::uint64_t ByteMask::InSetSixteenAtOnce(const Set& set, const unsigned char* bytes) {
    return InSetOneByOne(set, bytes, kMaxWidth);
}
#endif

}  // namespace kesto
