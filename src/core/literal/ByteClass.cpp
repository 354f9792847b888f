#include "literal/ByteClass.h"

namespace kesto {

ByteClass::ByteClass(const std::array<bool, 256>& members) : m_set(ByteMask::SetOf(members)) {
}

std::uint64_t ByteClass::Members(const unsigned char* bytes, std::size_t count) const {
    return ByteMask::InSet(m_set, bytes, count);
}

}  // namespace kesto
