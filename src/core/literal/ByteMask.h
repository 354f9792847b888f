// ByteMask: which bytes of a block of text (at most sixty-four) are a wanted byte, or belong
// to a set of byte values, as a mask with one bit per byte, the first byte's the lowest.
//
// A caller reads text in blocks of one width, kWidth, and only the last block of a text is
// narrower. On x86-64 a whole block is compared sixteen bytes at once (SSE2 is part of the
// baseline there), and a set is looked up in a whole block of sixty-four sixteen bytes at
// once where the processor can shuffle bytes by a table (SSSE3, asked of the processor once).
// A scan for the first block of thirty-two that holds two bytes in their places compares
// thirty-two bytes at once where the processor has AVX2 (asked once as well).
// A narrower block, and every block of a build without KESTO_SIMD (KESTO_NO_SIMD defined),
// is looked at one byte at a time. The one-by-one twins are public so that a test can hold
// them against the vector code: both must give the same mask, bit for bit.
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#if defined(__x86_64__) && !defined(KESTO_NO_SIMD)
#include <emmintrin.h>
#define KESTO_BYTE_MASK_SSE2 1
#endif

namespace kesto {

class ByteMask {
public:
    static constexpr std::size_t kLane = 16;      // the bytes compared at once
    static constexpr std::size_t kMaxWidth = 64;  // the bits of a mask

    // A set of byte values, kept twice: as a table of members for the byte-by-byte look-up,
    // and for the shuffle as two tables of sixteen rows, one per half of the byte values, in
    // which a byte's low four bits pick a row and the low three of its high four bits a bit.
    struct Set {
        std::array<bool, 256> members{};
        alignas(16) std::array<std::uint8_t, 16> lowRows{};
        alignas(16) std::array<std::uint8_t, 16> highRows{};
        bool sixteenAtOnce = false;  // the build and the processor can shuffle bytes
    };

    // The mask of a block of kWidth bytes: no wider than the block, so that a caller's bit
    // arithmetic on a narrow block stays in narrow registers.
    template <std::size_t kWidth>
    using Mask = std::conditional_t<(kWidth <= 32), std::uint32_t, std::uint64_t>;

    explicit ByteMask(char wanted) : ByteMask(wanted, wanted) {}
    // Either of two bytes, such as a letter and its other case.
    ByteMask(char wanted, char other);

    // Bit i is set when bytes[i] is a wanted byte, for i below `width` (at most kWidth, a
    // multiple of kLane).
    template <std::size_t kWidth>
    [[gnu::always_inline]] Mask<kWidth> In(const char* bytes, std::size_t width) const;
    std::uint64_t InOneByOne(const char* bytes, std::size_t width) const;

    // Bit i is set when bytes[i] is a wanted byte and secondBytes[i] one of `second`, for i
    // below `width` (at most kWidth, a multiple of kLane).
    template <std::size_t kWidth>
    [[gnu::always_inline]] Mask<kWidth> BothIn(const char* bytes, const ByteMask& second,
                                               const char* secondBytes, std::size_t width) const;
    std::uint64_t BothInOneByOne(const char* bytes, const ByteMask& second, const char* secondBytes,
                                 std::size_t width) const;

    // From place `start` on, the first block of thirty-two places, all before `end`, with a
    // place i where bytes[i] is a wanted byte and secondBytes[i] one of `second`: the mask of
    // BothIn<32> at that block, where `start` is left; when no block has one, 0, and `start`
    // is left at the first place whose block would pass `end`. It compares as wide as the
    // processor can; the sixteen-byte twin is public so that a test can hold them together.
    std::uint32_t FirstBlockWithBoth(const char* bytes, const ByteMask& second,
                                     const char* secondBytes, std::size_t& start,
                                     std::size_t end) const;
    std::uint32_t FirstBlockWithBothSixteenAtOnce(const char* bytes, const ByteMask& second,
                                                  const char* secondBytes, std::size_t& start,
                                                  std::size_t end) const;
    static bool CanCompareThirtyTwoAtOnce();

    static Set SetOf(const std::array<bool, 256>& members);
    // Bit i is set when bytes[i] belongs to `set`, for i below `width` (at most kMaxWidth).
    static std::uint64_t InSet(const Set& set, const unsigned char* bytes, std::size_t width);
    static std::uint64_t InSetOneByOne(const Set& set, const unsigned char* bytes,
                                       std::size_t width);

private:
    bool IsWanted(char byte) const { return byte == m_wanted || byte == m_other; }
    static bool CanShuffleBytes();
    static std::uint64_t InSetSixteenAtOnce(const Set& set, const unsigned char* bytes);
    std::uint32_t FirstBlockWithBothThirtyTwoAtOnce(const char* bytes, const ByteMask& second,
                                                    const char* secondBytes, std::size_t& start,
                                                    std::size_t end) const;

#ifdef KESTO_BYTE_MASK_SSE2
    static __m128i LaneAt(const char* bytes) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    }
    static std::uint32_t BitsOf(__m128i lane) {
        return static_cast<std::uint32_t>(_mm_movemask_epi8(lane));
    }
    __m128i WantedIn(__m128i lane) const {
        return _mm_or_si128(_mm_cmpeq_epi8(lane, m_wantedLane), _mm_cmpeq_epi8(lane, m_otherLane));
    }
    // The mask of kWidth bytes a lane at a time: `laneBits(at)` gives the bits of the
    // sixteen bytes from place `at` on.
    template <std::size_t kWidth, class LaneBits>
    [[gnu::always_inline]] static Mask<kWidth> LanesOf(const LaneBits& laneBits) {
        Mask<kWidth> mask = 0;
#pragma GCC unroll 4
        for (std::size_t lane = 0; lane < kWidth; lane += kLane) {
            mask |= Mask<kWidth>{laneBits(lane)} << lane;
        }
        return mask;
    }

    __m128i m_wantedLane;
    __m128i m_otherLane;
#endif
    char m_wanted;
    char m_other;
};

inline ByteMask::ByteMask(char wanted, char other)
    :
#ifdef KESTO_BYTE_MASK_SSE2
      m_wantedLane(_mm_set1_epi8(wanted)),
      m_otherLane(_mm_set1_epi8(other)),
#endif
      m_wanted(wanted),
      m_other(other) {
}

template <std::size_t kWidth>
inline ByteMask::Mask<kWidth> ByteMask::In(const char* bytes, std::size_t width) const {
    static_assert(kWidth % kLane == 0 && kWidth <= kMaxWidth);
    assert(width <= kWidth);
#ifdef KESTO_BYTE_MASK_SSE2
    if (width == kWidth) {
        return LanesOf<kWidth>(
            [&](std::size_t lane) { return BitsOf(WantedIn(LaneAt(bytes + lane))); });
    }
#endif
    return static_cast<Mask<kWidth>>(InOneByOne(bytes, width));
}

inline std::uint64_t ByteMask::InOneByOne(const char* bytes, std::size_t width) const {
    assert(width <= kMaxWidth);
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < width; ++i) mask |= std::uint64_t{IsWanted(bytes[i])} << i;
    return mask;
}

template <std::size_t kWidth>
inline ByteMask::Mask<kWidth> ByteMask::BothIn(const char* bytes, const ByteMask& second,
                                               const char* secondBytes, std::size_t width) const {
    static_assert(kWidth % kLane == 0 && kWidth <= kMaxWidth);
    assert(width <= kWidth);
#ifdef KESTO_BYTE_MASK_SSE2
    if (width == kWidth) {
        return LanesOf<kWidth>([&](std::size_t lane) {
            return BitsOf(_mm_and_si128(WantedIn(LaneAt(bytes + lane)),
                                        second.WantedIn(LaneAt(secondBytes + lane))));
        });
    }
#endif
    return static_cast<Mask<kWidth>>(BothInOneByOne(bytes, second, secondBytes, width));
}

inline std::uint64_t ByteMask::BothInOneByOne(const char* bytes, const ByteMask& second,
                                              const char* secondBytes, std::size_t width) const {
    assert(width <= kMaxWidth);
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < width; ++i) {
        mask |= std::uint64_t{IsWanted(bytes[i]) && second.IsWanted(secondBytes[i])} << i;
    }
    return mask;
}

inline std::uint32_t ByteMask::FirstBlockWithBoth(const char* bytes, const ByteMask& second,
                                                  const char* secondBytes, std::size_t& start,
                                                  std::size_t end) const {
    if (CanCompareThirtyTwoAtOnce()) {
        return FirstBlockWithBothThirtyTwoAtOnce(bytes, second, secondBytes, start, end);
    }
    return FirstBlockWithBothSixteenAtOnce(bytes, second, secondBytes, start, end);
}

inline std::uint32_t ByteMask::FirstBlockWithBothSixteenAtOnce(const char* bytes,
                                                               const ByteMask& second,
                                                               const char* secondBytes,
                                                               std::size_t& start,
                                                               std::size_t end) const {
    for (; start + 32 <= end; start += 32) {
        const std::uint32_t mask = BothIn<32>(bytes + start, second, secondBytes + start, 32);
        if (mask != 0) return mask;
    }
    return 0;
}

inline std::uint64_t ByteMask::InSet(const Set& set, const unsigned char* bytes,
                                     std::size_t width) {
    assert(width <= kMaxWidth);
    if (width == kMaxWidth && set.sixteenAtOnce) return InSetSixteenAtOnce(set, bytes);
    return InSetOneByOne(set, bytes, width);
}

inline std::uint64_t ByteMask::InSetOneByOne(const Set& set, const unsigned char* bytes,
                                             std::size_t width) {
    assert(width <= kMaxWidth);
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < width; ++i) mask |= std::uint64_t{set.members[bytes[i]]} << i;
    return mask;
}

}  // namespace kesto
