// The block masks at every width, against their one-by-one twins and against each byte
// compared on its own. Widths of whole sixteens take the vector code where it is built.
#include "literal/ByteMask.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

namespace kesto {
namespace {

// Byte values where a signed or unsigned compare, or a nibble split, could go wrong.
constexpr std::array<unsigned char, 8> kEdgeBytes = {0x00, 0x01, 0x0f, 0x10,
                                                     0x7f, 0x80, 0xf0, 0xff};

class ByteMaskTest : public ::testing::Test {
protected:
    ByteMaskTest() : m_buffer(ByteMask::kMaxWidth + ByteMask::kLane) {}

    unsigned char RandomByte() {
        if (m_random() % 4 == 0) return kEdgeBytes[m_random() % kEdgeBytes.size()];
        return static_cast<unsigned char>(m_random());
    }

    // A block of kMaxWidth random bytes at a random distance from a 16-byte boundary, with
    // each of `planted` put in often enough for the masks to have bits.
    const char* RandomBlock(const std::vector<unsigned char>& planted) {
        const std::size_t offset = m_random() % ByteMask::kLane;
        for (std::size_t i = 0; i < ByteMask::kMaxWidth; ++i) {
            const bool plant = !planted.empty() && m_random() % 3 == 0;
            m_buffer[offset + i] =
                static_cast<char>(plant ? planted[m_random() % planted.size()] : RandomByte());
        }
        return m_buffer.data() + offset;
    }

    std::mt19937 m_random{29};
    std::vector<char> m_buffer;
};

std::uint64_t MaskOf(const char* bytes, std::size_t width, unsigned char wanted,
                     unsigned char other) {
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < width; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == wanted || byte == other) mask |= std::uint64_t{1} << i;
    }
    return mask;
}

// The masks of the first `width` bytes in every block width that holds them: a width equal
// to the block's is compared by vector where that is built.
std::vector<std::uint64_t> InEveryBlock(const ByteMask& mask, const char* bytes,
                                        std::size_t width) {
    std::vector<std::uint64_t> masks;
    if (width <= 16) masks.push_back(mask.In<16>(bytes, width));
    if (width <= 32) masks.push_back(mask.In<32>(bytes, width));
    if (width <= 48) masks.push_back(mask.In<48>(bytes, width));
    masks.push_back(mask.In<64>(bytes, width));
    return masks;
}

std::vector<std::uint64_t> BothInEveryBlock(const ByteMask& mask, const char* bytes,
                                            const ByteMask& second, const char* secondBytes,
                                            std::size_t width) {
    std::vector<std::uint64_t> masks;
    if (width <= 16) masks.push_back(mask.BothIn<16>(bytes, second, secondBytes, width));
    if (width <= 32) masks.push_back(mask.BothIn<32>(bytes, second, secondBytes, width));
    if (width <= 48) masks.push_back(mask.BothIn<48>(bytes, second, secondBytes, width));
    masks.push_back(mask.BothIn<64>(bytes, second, secondBytes, width));
    return masks;
}

TEST_F(ByteMaskTest, EveryByteValueIsFoundAtItsOwnPlaceOnly) {
    // The 256 byte values in order: in blocks of sixty-four, and in blocks of sixteen.
    std::array<char, 256> everyValue;
    for (unsigned value = 0; value < 256; ++value) everyValue[value] = static_cast<char>(value);
    for (unsigned value = 0; value < 256; ++value) {
        const ByteMask mask(static_cast<char>(value));
        for (std::size_t start = 0; start < 256; start += ByteMask::kMaxWidth) {
            const bool holds = value / ByteMask::kMaxWidth == start / ByteMask::kMaxWidth;
            const std::uint64_t expected =
                holds ? std::uint64_t{1} << (value % ByteMask::kMaxWidth) : 0;
            const char* block = everyValue.data() + start;
            ASSERT_EQ(mask.In<64>(block, ByteMask::kMaxWidth), expected) << "byte " << value;
            ASSERT_EQ(mask.InOneByOne(block, ByteMask::kMaxWidth), expected) << "byte " << value;
        }
        for (std::size_t start = 0; start < 256; start += ByteMask::kLane) {
            const bool holds = value / ByteMask::kLane == start / ByteMask::kLane;
            const std::uint64_t expected =
                holds ? std::uint64_t{1} << (value % ByteMask::kLane) : 0;
            ASSERT_EQ(mask.In<16>(everyValue.data() + start, ByteMask::kLane), expected)
                << "byte " << value;
        }
    }
}

TEST_F(ByteMaskTest, OneOfTwoBytesIsMaskedAsItsTwinMasksIt) {
    for (int round = 0; round < 400; ++round) {
        const unsigned char wanted = RandomByte();
        const unsigned char other = round % 4 == 0 ? wanted : RandomByte();
        const ByteMask mask(static_cast<char>(wanted), static_cast<char>(other));
        const char* bytes = RandomBlock({wanted, other});
        for (std::size_t width = 0; width <= ByteMask::kMaxWidth; ++width) {
            const std::uint64_t expected = MaskOf(bytes, width, wanted, other);
            for (const std::uint64_t found : InEveryBlock(mask, bytes, width)) {
                ASSERT_EQ(found, expected) << "round " << round << ", width " << width;
            }
            ASSERT_EQ(mask.InOneByOne(bytes, width), expected)
                << "round " << round << ", width " << width;
        }
    }
}

TEST_F(ByteMaskTest, TwoBytesInTwoPlacesAreMaskedAsTheirTwinMasksThem) {
    std::vector<char> secondBuffer(ByteMask::kMaxWidth);
    for (int round = 0; round < 400; ++round) {
        const unsigned char rare = RandomByte();
        const unsigned char rareOther = RandomByte();
        const unsigned char second = RandomByte();
        const unsigned char secondOther = round % 3 == 0 ? second : RandomByte();
        const ByteMask rareMask(static_cast<char>(rare), static_cast<char>(rareOther));
        const ByteMask secondMask(static_cast<char>(second), static_cast<char>(secondOther));
        // Two blocks apart, as the finder reads a needle's two tested bytes.
        const char* secondBytes = RandomBlock({second, secondOther});
        std::copy(secondBytes, secondBytes + ByteMask::kMaxWidth, secondBuffer.begin());
        const char* bytes = RandomBlock({rare, rareOther});
        for (std::size_t width = 0; width <= ByteMask::kMaxWidth; ++width) {
            const std::uint64_t expected = MaskOf(bytes, width, rare, rareOther) &
                                           MaskOf(secondBuffer.data(), width, second, secondOther);
            for (const std::uint64_t found :
                 BothInEveryBlock(rareMask, bytes, secondMask, secondBuffer.data(), width)) {
                ASSERT_EQ(found, expected) << "round " << round << ", width " << width;
            }
            ASSERT_EQ(rareMask.BothInOneByOne(bytes, secondMask, secondBuffer.data(), width),
                      expected)
                << "round " << round << ", width " << width;
        }
    }
}

// The scan for the first block with both bytes, from every start to every end of a text
// whose bytes are mostly neither: the block it stops at, its mask and where it leaves the
// start must be those of blocks masked one by one, in both widths of compare, with one byte
// value per plane (Match Case) and with two.
TEST_F(ByteMaskTest, TheFirstBlockWithBothBytesIsTheOneTheTwinMasksFirst) {
    constexpr std::size_t kText = 300;
    std::vector<char> text(kText + 64);
    for (int round = 0; round < 60; ++round) {
        const auto rare = static_cast<char>(RandomByte());
        const auto rareOther = round % 2 == 0 ? rare : static_cast<char>(RandomByte());
        const auto second = static_cast<char>(RandomByte());
        const auto secondOther = round % 2 == 0 ? second : static_cast<char>(RandomByte());
        const ByteMask rareMask(rare, rareOther);
        const ByteMask secondMask(second, secondOther);
        const std::array<char, 4> wanted = {rare, rareOther, second, secondOther};
        for (char& byte : text) {
            byte = m_random() % 40 == 0 ? wanted[m_random() % 4] : static_cast<char>(RandomByte());
        }
        const std::size_t distance = m_random() % 40;  // from the rare byte to the second
        const char* bytes = text.data();
        const char* secondBytes = text.data() + distance;
        for (std::size_t from = 0; from < kText; from += 1 + m_random() % 7) {
            for (std::size_t end = from; end <= kText; end += 1 + m_random() % 11) {
                std::size_t expectedStart = from;
                std::uint32_t expected = 0;
                for (; expectedStart + 32 <= end; expectedStart += 32) {
                    expected = static_cast<std::uint32_t>(rareMask.BothInOneByOne(
                        bytes + expectedStart, secondMask, secondBytes + expectedStart, 32));
                    if (expected != 0) break;
                }
                std::size_t start = from;
                ASSERT_EQ(rareMask.FirstBlockWithBoth(bytes, secondMask, secondBytes, start, end),
                          expected)
                    << "round " << round << ", from " << from << ", end " << end;
                ASSERT_EQ(start, expectedStart) << "round " << round << ", from " << from;
                std::size_t narrowStart = from;
                ASSERT_EQ(rareMask.FirstBlockWithBothSixteenAtOnce(bytes, secondMask, secondBytes,
                                                                   narrowStart, end),
                          expected)
                    << "round " << round << ", from " << from << ", end " << end;
                ASSERT_EQ(narrowStart, expectedStart) << "round " << round << ", from " << from;
            }
        }
    }
}

TEST_F(ByteMaskTest, ASetIsLookedUpAsItsTwinLooksItUp) {
    for (int round = 0; round < 400; ++round) {
        // Sets from a few values to most of them, in both halves of the byte values.
        std::array<bool, 256> members{};
        const unsigned share = 1 + m_random() % 255;
        for (auto& member : members) member = m_random() % 256 < share;
        for (const unsigned char edge : kEdgeBytes) members[edge] = m_random() % 2 == 0;
        const ByteMask::Set set = ByteMask::SetOf(members);
        const auto* bytes = reinterpret_cast<const unsigned char*>(RandomBlock({}));
        for (std::size_t width = 0; width <= ByteMask::kMaxWidth; ++width) {
            std::uint64_t expected = 0;
            for (std::size_t i = 0; i < width; ++i) {
                expected |= std::uint64_t{members[bytes[i]]} << i;
            }
            ASSERT_EQ(ByteMask::InSet(set, bytes, width), expected)
                << "round " << round << ", width " << width;
            ASSERT_EQ(ByteMask::InSetOneByOne(set, bytes, width), expected)
                << "round " << round << ", width " << width;
        }
    }
}

TEST_F(ByteMaskTest, SetsAreLookedUpSixteenAtOnceWhereTheBuildAndTheProcessorCan) {
    const ByteMask::Set set = ByteMask::SetOf({});
#if defined(__x86_64__) && !defined(KESTO_NO_SIMD)
    EXPECT_EQ(set.sixteenAtOnce, __builtin_cpu_supports("ssse3") != 0);
#else
    EXPECT_FALSE(set.sixteenAtOnce);
#endif
}

TEST_F(ByteMaskTest, BlocksAreScannedThirtyTwoAtOnceWhereTheBuildAndTheProcessorCan) {
#if defined(__x86_64__) && !defined(KESTO_NO_SIMD)
    EXPECT_EQ(ByteMask::CanCompareThirtyTwoAtOnce(), __builtin_cpu_supports("avx2") != 0);
#else
    EXPECT_FALSE(ByteMask::CanCompareThirtyTwoAtOnce());
#endif
}

}  // namespace
}  // namespace kesto
