// LiteralFinder: finds a byte string quickly many times over in one text.
//
// It picks once, for the whole scan, the byte of the needle that is likely the rarest in
// text (lower-case vowels and blanks are common, punctuation and digits rare), jumps from
// one occurrence of that byte to the next with memchr and compares the rest. Unlike a
// general substring search it sets nothing up per call, which matters when matches are a
// few bytes apart.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kesto {

class LiteralFinder {
public:
    static constexpr std::size_t kNone = std::string_view::npos;

    explicit LiteralFinder(std::string_view needle);

    // The first occurrence of the needle that starts at or after `from` and ends at or
    // before `end`; kNone when there is none. An empty needle is never found.
    std::size_t Find(std::string_view text, std::size_t from, std::size_t end) const;

    std::size_t size() const { return m_needle.size(); }

private:
    std::string m_needle;
    std::size_t m_rare = 0;  // index of the byte memchr looks for
};

}  // namespace kesto
