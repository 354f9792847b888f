#include "literal/ByteMask.h"

#ifdef KESTO_BYTE_MASK_SSE2
#include <immintrin.h>
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

bool ByteMask::CanCompareThirtyTwoAtOnce() {
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported;
}

namespace {

// Under Match Case a byte has no other case, and one compare per plane does.
template <bool kOneCompare>
__attribute__((target("avx2"))) std::uint32_t FirstBlockWithBothAvx2(
    const char* bytes, char wanted, char other, const char* secondBytes, char secondWanted,
    char secondOther, std::size_t& start, std::size_t end) {
    const __m256i wantedLane = _mm256_set1_epi8(wanted);
    const __m256i otherLane = _mm256_set1_epi8(other);
    const __m256i secondLane = _mm256_set1_epi8(secondWanted);
    const __m256i secondOtherLane = _mm256_set1_epi8(secondOther);
    for (; start + 32 <= end; start += 32) {
        const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + start));
        const __m256i last =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(secondBytes + start));
        __m256i both;
        if constexpr (kOneCompare) {
            both = _mm256_and_si256(_mm256_cmpeq_epi8(first, wantedLane),
                                    _mm256_cmpeq_epi8(last, secondLane));
        } else {
            both = _mm256_and_si256(_mm256_or_si256(_mm256_cmpeq_epi8(first, wantedLane),
                                                    _mm256_cmpeq_epi8(first, otherLane)),
                                    _mm256_or_si256(_mm256_cmpeq_epi8(last, secondLane),
                                                    _mm256_cmpeq_epi8(last, secondOtherLane)));
        }
        const auto mask = static_cast<std::uint32_t>(_mm256_movemask_epi8(both));
        if (mask != 0) return mask;
    }
    return 0;
}

}  // namespace

std::uint32_t ByteMask::FirstBlockWithBothThirtyTwoAtOnce(const char* bytes, const ByteMask& second,
                                                          const char* secondBytes,
                                                          std::size_t& start,
                                                          std::size_t end) const {
    if (m_wanted == m_other && second.m_wanted == second.m_other) {
        return FirstBlockWithBothAvx2<true>(bytes, m_wanted, m_other, secondBytes, second.m_wanted,
                                            second.m_other, start, end);
    }
    return FirstBlockWithBothAvx2<false>(bytes, m_wanted, m_other, secondBytes, second.m_wanted,
                                         second.m_other, start, end);
}
#else
bool ByteMask::CanShuffleBytes() {
    return false;
}

bool ByteMask::CanCompareThirtyTwoAtOnce() {
    return false;
}

std::uint32_t ByteMask::FirstBlockWithBothThirtyTwoAtOnce(const char* bytes, const ByteMask& second,
                                                          const char* secondBytes,
                                                          std::size_t& start,
                                                          std::size_t end) const {
    return FirstBlockWithBothSixteenAtOnce(bytes, second, secondBytes, start, end);
}

std::uint64_t ByteMask::InSetSixteenAtOnce(const Set& set, const unsigned char* bytes) {
    return InSetOneByOne(set, bytes, kMaxWidth);
}
#endif

}  // namespace kesto
