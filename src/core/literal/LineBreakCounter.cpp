#include "literal/LineBreakCounter.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace kesto {

std::uint32_t LineBreakCounter::BreaksIn(const char* bytes, std::size_t width) const {
#if defined(__x86_64__)
    if (width == kBlock) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
        return static_cast<std::uint32_t>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(m_lineBreakChar))));
    }
#endif
    std::uint32_t breaks = 0;
    for (std::size_t i = 0; i < width; ++i) {
        if (bytes[i] == m_lineBreakChar) breaks |= std::uint32_t{1} << i;
    }
    return breaks;
}

}  // namespace kesto
