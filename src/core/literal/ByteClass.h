// ByteClass: a set of byte values, and which of sixty-four bytes in a row belong to it.
//
// Where the processor can look up sixteen bytes at once in a table of sixteen (SSSE3),
// the set is kept as two such tables per half of the byte values: a byte's low four bits
// pick a row, its high four bits a bit in that row. Elsewhere each byte is looked up alone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kesto {

class ByteClass {
public:
    explicit ByteClass(const std::array<bool, 256>& members);

    bool Has(unsigned char byte) const { return m_members[byte]; }

    // Bit i is set when bytes[i] belongs to the set, for i below `count` (at most 64).
    std::uint64_t Members(const unsigned char* bytes, std::size_t count) const;

private:
    std::uint64_t MembersOneByOne(const unsigned char* bytes, std::size_t count) const;
    std::uint64_t MembersSixteenAtOnce(const unsigned char* bytes) const;

    std::array<bool, 256> m_members;
    // Per low four bits, the high four bits of the members: values 0-127, then 128-255.
    alignas(16) std::array<std::uint8_t, 16> m_lowRows{};
    alignas(16) std::array<std::uint8_t, 16> m_highRows{};
    bool m_sixteenAtOnce = false;
};

}  // namespace kesto
