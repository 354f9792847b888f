#include "literal/LineBreakCounter.h"

#include <cassert>

#include "literal/ByteMask.h"

namespace kesto {

std::uint32_t LineBreakCounter::BreaksIn(const char* bytes, std::size_t width) const {
    assert(width <= kBlock);
    return ByteMask(m_lineBreakChar).In<kBlock>(bytes, width);
}

}  // namespace kesto
