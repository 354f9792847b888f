// ByteClass: a set of byte values, and which of sixty-four bytes in a row belong to it
// (ByteMask looks them up).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "literal/ByteMask.h"

namespace kesto {

class ByteClass {
public:
    explicit ByteClass(const std::array<bool, 256>& members);

    bool Has(unsigned char byte) const { return m_set.members[byte]; }

    // Bit i is set when bytes[i] belongs to the set, for i below `count` (at most 64).
    std::uint64_t Members(const unsigned char* bytes, std::size_t count) const;

private:
    ByteMask::Set m_set;
};

}  // namespace kesto
