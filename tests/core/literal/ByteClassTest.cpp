// Sixty-four bytes classed at once, against each byte looked up on its own.
#include "literal/ByteClass.h"

#include <gtest/gtest.h>

#include <random>

namespace kesto {
namespace {

TEST(ByteClassTest, EveryByteValueIsClassedAsItsOwnLookUp) {
    std::mt19937 random(17);
    for (int round = 0; round < 200; ++round) {
        // Sets from a few values to most of them, in both halves of the byte values.
        std::array<bool, 256> members{};
        const unsigned share = 1 + random() % 255;
        for (auto& member : members) member = random() % 256 < share;
        const ByteClass byteClass(members);
        unsigned char bytes[64];
        for (int block = 0; block < 8; ++block) {
            for (auto& byte : bytes) byte = static_cast<unsigned char>(random());
            for (std::size_t count : {std::size_t{64}, std::size_t{1} + random() % 63}) {
                std::uint64_t expected = 0;
                for (std::size_t i = 0; i < count; ++i) {
                    expected |= std::uint64_t{members[bytes[i]]} << i;
                }
                ASSERT_EQ(byteClass.Members(bytes, count), expected)
                    << "round " << round << ", " << count << " bytes";
            }
        }
    }
}

}  // namespace
}  // namespace kesto
