#include "literal/LineBreakCounter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kesto {
namespace {

struct Counted {
    int lineNumber = 1;
    std::vector<std::size_t> reports;
};

// Break by break, as the scans would count without blocks.
Counted CountOneByOne(const std::string& text, char lineBreak,
                      const std::vector<std::size_t>& stops) {
    Counted counted;
    std::size_t from = 0;
    for (const std::size_t to : stops) {
        for (std::size_t at = from; at < to; ++at) {
            if (text[at] != lineBreak) continue;
            ++counted.lineNumber;
            if ((counted.lineNumber - 1) % LineBreakCounter::kLinesPerReport == 0) {
                counted.reports.push_back(at);
            }
        }
        from = to;
    }
    return counted;
}

Counted CountInBlocks(const std::string& text, char lineBreak,
                      const std::vector<std::size_t>& stops) {
    const LineBreakCounter counter(lineBreak);
    Counted counted;
    std::size_t from = 0;
    for (const std::size_t to : stops) {
        EXPECT_TRUE(counter.Count(text, from, to, counted.lineNumber, [&](std::size_t at) {
            counted.reports.push_back(at);
            return true;
        }));
        from = to;
    }
    return counted;
}

// Texts from sparse to nothing but breaks, counted in stretches of every length that end
// anywhere, up to the very end of the text, where no whole block can be read past them.
TEST(LineBreakCounterTest, StretchesCountEveryBreakAndReportEachThreeHundredth) {
    std::mt19937 random(1209);
    for (const int share : {0, 2, 30, 90, 100}) {
        for (const char lineBreak : {'\n', '\r'}) {
            std::string text(5000 + random() % 200, 'x');
            for (char& c : text) {
                if (static_cast<int>(random() % 100) < share) c = lineBreak;
                if (random() % 50 == 0) c = lineBreak == '\n' ? '\r' : '\n';
            }
            std::vector<std::size_t> stops;
            for (std::size_t at = 0; at < text.size();) {
                at = std::min(text.size(), at + random() % 300);
                stops.push_back(at);
            }
            const Counted expected = CountOneByOne(text, lineBreak, stops);
            const Counted counted = CountInBlocks(text, lineBreak, stops);
            SCOPED_TRACE(testing::Message() << "share " << share << ", break " << int(lineBreak));
            EXPECT_EQ(counted.lineNumber, expected.lineNumber);
            EXPECT_EQ(counted.reports, expected.reports);
        }
    }
}

TEST(LineBreakCounterTest, AReportThatSaysStopEndsTheCountAtItsBreak) {
    const std::string text(1000, '\n');
    const LineBreakCounter counter('\n');
    int lineNumber = 1;
    std::vector<std::size_t> reports;
    EXPECT_FALSE(counter.Count(text, 0, text.size(), lineNumber, [&](std::size_t at) {
        reports.push_back(at);
        return reports.size() < 2;
    }));
    EXPECT_EQ(reports, (std::vector<std::size_t>{299, 599}));
    EXPECT_EQ(lineNumber, 601);
}

}  // namespace
}  // namespace kesto
