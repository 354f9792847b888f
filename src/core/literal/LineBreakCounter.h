// LineBreakCounter: counts the line breaks of a stretch of text sixteen bytes at a time,
// and tells where each 300th one falls (the scans report their progress there).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kesto {

class LineBreakCounter {
public:
    static constexpr int kLinesPerReport = 300;
    static constexpr std::size_t kBlock = 16;

    explicit LineBreakCounter(char lineBreakChar) : m_lineBreakChar(lineBreakChar) {}

    // The line breaks among the `width` (at most kBlock) bytes from `bytes`, one bit each.
    std::uint32_t BreaksIn(const char* bytes, std::size_t width) const;

    static int BitCount(std::uint32_t bits) {
        // Without a population count instruction in the baseline instruction set, the
        // compiler's builtin is a library call.
        bits = bits - ((bits >> 1) & 0x55555555u);
        bits = (bits & 0x33333333u) + ((bits >> 2) & 0x33333333u);
        return static_cast<int>((((bits + (bits >> 4)) & 0x0F0F0F0Fu) * 0x01010101u) >> 24);
    }

    // Adds the line breaks in [from, to) of `text` to `lineNumber` (one more than the
    // breaks counted so far). For each break after which lineNumber - 1 is a multiple of
    // kLinesPerReport, calls report(offset of the break); a false answer stops the count.
    template <typename Report>
    bool Count(std::string_view text, std::size_t from, std::size_t to, int& lineNumber,
               Report&& report) const {
        for (std::size_t block = from; block < to; block += kBlock) {
            std::uint32_t breaks = BreaksIn(text.data() + block, std::min(kBlock, to - block));
            if (breaks == 0) continue;
            const int count = BitCount(breaks);
            // Only a block that reaches the next report is counted break by break.
            if (count < kLinesPerReport - (lineNumber - 1) % kLinesPerReport) {
                lineNumber += count;
                continue;
            }
            for (; breaks != 0; breaks &= breaks - 1) {
                ++lineNumber;
                if ((lineNumber - 1) % kLinesPerReport == 0 &&
                    !report(block + static_cast<std::size_t>(__builtin_ctz(breaks)))) {
                    return false;
                }
            }
        }
        return true;
    }

private:
    char m_lineBreakChar;
};

}  // namespace kesto
