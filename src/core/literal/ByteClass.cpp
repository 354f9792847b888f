#include "literal/ByteClass.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define KESTO_BYTE_CLASS_X86 1
#endif

namespace kesto {

ByteClass::ByteClass(const std::array<bool, 256>& members) : m_members(members) {
    for (unsigned value = 0; value < 256; ++value) {
        if (!members[value]) continue;
        const unsigned high = value >> 4;
        auto& rows = high < 8 ? m_lowRows : m_highRows;
        rows[value & 15] |= static_cast<std::uint8_t>(1u << (high & 7));
    }
#ifdef KESTO_BYTE_CLASS_X86
    m_sixteenAtOnce = __builtin_cpu_supports("ssse3");
#endif
}

std::uint64_t ByteClass::MembersOneByOne(const unsigned char* bytes, std::size_t count) const {
    std::uint64_t members = 0;
    for (std::size_t i = 0; i < count; ++i) {
        members |= std::uint64_t{m_members[bytes[i]]} << i;
    }
    return members;
}

#ifdef KESTO_BYTE_CLASS_X86
__attribute__((target("ssse3"))) std::uint64_t ByteClass::MembersSixteenAtOnce(
    const unsigned char* bytes) const {
    const __m128i lowRows = _mm_load_si128(reinterpret_cast<const __m128i*>(m_lowRows.data()));
    const __m128i highRows = _mm_load_si128(reinterpret_cast<const __m128i*>(m_highRows.data()));
    // The bit of a byte's high four bits in its row, in the table of its half.
    const __m128i lowBits = _mm_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m128i highBits = _mm_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 4, 8, 16, 32, 64, -128);
    const __m128i nibble = _mm_set1_epi8(0x0f);
    std::uint64_t members = 0;
    for (int block = 0; block < 4; ++block) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + block * 16));
        const __m128i low = _mm_and_si128(chunk, nibble);
        const __m128i high = _mm_and_si128(_mm_srli_epi16(chunk, 4), nibble);
        const __m128i inLow =
            _mm_and_si128(_mm_shuffle_epi8(lowRows, low), _mm_shuffle_epi8(lowBits, high));
        const __m128i inHigh =
            _mm_and_si128(_mm_shuffle_epi8(highRows, low), _mm_shuffle_epi8(highBits, high));
        const __m128i outside = _mm_cmpeq_epi8(_mm_or_si128(inLow, inHigh), _mm_setzero_si128());
        const auto bits = static_cast<std::uint64_t>(~_mm_movemask_epi8(outside) & 0xffff);
        members |= bits << (block * 16);
    }
    return members;
}
#else
std::uint64_t ByteClass::MembersSixteenAtOnce(const unsigned char* bytes) const {
    return MembersOneByOne(bytes, 64);
}
#endif

std::uint64_t ByteClass::Members(const unsigned char* bytes, std::size_t count) const {
    if (count == 64 && m_sixteenAtOnce) return MembersSixteenAtOnce(bytes);
    return MembersOneByOne(bytes, count);
}

}  // namespace kesto
