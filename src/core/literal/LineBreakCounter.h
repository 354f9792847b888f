// LineBreakCounter: counts the line breaks of a stretch of text many bytes at a time,
// and tells where each 300th one falls (the scans report their progress there).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "literal/ByteMask.h"

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
    static int BitCount64(std::uint64_t bits) {
        return BitCount(static_cast<std::uint32_t>(bits)) +
               BitCount(static_cast<std::uint32_t>(bits >> 32));
    }

    // Adds the line breaks in [from, to) of `text` to `lineNumber` (one more than the
    // breaks counted so far). For each break after which lineNumber - 1 is a multiple of
    // kLinesPerReport, calls report(offset of the break); a false answer stops the count.
    template <typename Report>
    bool Count(std::string_view text, std::size_t from, std::size_t to, int& lineNumber,
               Report&& report) const {
        // The breaks still to count up to the next report.
        int untilReport = kLinesPerReport - (lineNumber - 1) % kLinesPerReport;
        const ByteMask breakByte(m_lineBreakChar);
        for (std::size_t block = from; block < to; block += kWideBlock) {
            const std::size_t width = std::min(kWideBlock, to - block);
            std::uint64_t breaks = WideBreaksIn(breakByte, text, block, width);
            if (breaks == 0) continue;
            const int count = BitCount64(breaks);
            // Only a block that reaches the next report is counted break by break.
            if (count < untilReport) {
                lineNumber += count;
                untilReport -= count;
                continue;
            }
            for (; breaks != 0; breaks &= breaks - 1) {
                ++lineNumber;
                if (--untilReport > 0) continue;
                untilReport = kLinesPerReport;
                if (!report(block + static_cast<std::size_t>(__builtin_ctzll(breaks)))) {
                    return false;
                }
            }
        }
        return true;
    }

private:
    // Counted sixty-four bytes at a time: the scans count the lines between matches, a few
    // hundred bytes each in a dense file.
    static constexpr std::size_t kWideBlock = ByteMask::kMaxWidth;

    // The breaks among the `width` bytes of `text` from `at`: a whole block is compared where
    // the text holds one from there, and the bits past `width` are dropped.
    static std::uint64_t WideBreaksIn(const ByteMask& breakByte, std::string_view text,
                                      std::size_t at, std::size_t width) {
        if (at + kWideBlock > text.size()) return breakByte.InOneByOne(text.data() + at, width);
        const std::uint64_t breaks = breakByte.In<kWideBlock>(text.data() + at, kWideBlock);
        return width == kWideBlock ? breaks : breaks & ((std::uint64_t{1} << width) - 1);
    }

    char m_lineBreakChar;
};

}  // namespace kesto
