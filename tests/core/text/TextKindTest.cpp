#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "support/TempDir.h"
#include "text/TextKind.h"

namespace kesto {
namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(TextKindTest, FilesOfRealKindsAreJudgedByTheirStart) {
    // A program: this test itself.
    EXPECT_EQ(KindOfText(Bytes("/proc/self/exe")), TextKind::Binary);
    EXPECT_EQ(KindOfText(std::string("a\0b\0\n\0", 6)), TextKind::Binary)
        << "UTF-16 without a mark";
    EXPECT_EQ(KindOfText("caf\xE9 cr\xE8me br\xFBl\xE9\n"), TextKind::Text) << "Latin-1";
    EXPECT_EQ(KindOfText("\x1B[1mbold\x1B[0m \f page\n"), TextKind::Text)
        << "UTF-8 text with control characters";
    EXPECT_EQ(KindOfText(""), TextKind::Text);
}

TEST(TextKindTest, ControlBytesMakeBinaryOnlyPastThirtyPercentOfTextThatIsNotUtf8) {
    // Ten bytes: a high byte that is no UTF-8, and three or four control bytes.
    EXPECT_EQ(KindOfText("\xE9\x01\x02\x03xxxxxx"), TextKind::Text);
    EXPECT_EQ(KindOfText("\xE9\x01\x02\x03\x04xxxxx"), TextKind::Binary);
    // The same control bytes in UTF-8 text: text.
    EXPECT_EQ(KindOfText("\xC3\xA9\x01\x02\x03\x04xxxx"), TextKind::Text);
    // Only the head counts: a NUL past 64 KiB, or a sequence the head cuts, is text.
    std::string head(kTextKindHead - 1, 'x');
    EXPECT_EQ(KindOfText(head + "\xC3\xA9" + std::string(1, '\0')), TextKind::Text);
}

// Text that is no UTF-8, `control` control bytes at its start and then a filler of bytes
// next to the control range, tabs and line breaks: the count runs in blocks of sixteen bytes
// and sums its lanes every 255 blocks, so long runs and every tail length must count alike.
std::string NotUtf8WithControlBytes(std::size_t length, std::size_t control) {
    const std::string controls = "\x01\x02\x08\x0B\x0C\x0E\x1B\x1F";
    const std::string filler = "\x20\x7F\x80\xFF\t\r\n\xE9x";
    std::string text = "\xE9";
    for (std::size_t i = 0; text.size() < length; ++i) {
        text += i < control ? controls[i % controls.size()] : filler[i % filler.size()];
    }
    return text;
}

TEST(TextKindTest, TheThirtyPercentLineHoldsForEveryLengthAndRun) {
    for (const std::size_t length :
         {11u, 16u, 17u, 33u, 100u, 4095u, 4096u + 17u, 5000u, 65536u, 65536u + 100u}) {
        const std::size_t counted = std::min(length, kTextKindHead) - 1;  // after the first byte
        const std::size_t most = (counted + 1) * 3 / 10;
        SCOPED_TRACE(length);
        EXPECT_EQ(KindOfText(NotUtf8WithControlBytes(length, most)), TextKind::Text);
        EXPECT_EQ(KindOfText(NotUtf8WithControlBytes(length, most + 1)), TextKind::Binary);
    }
}

// The NUL is found on the pass that counts the control bytes, in blocks of sixteen or
// thirty-two bytes and a tail one by one: wherever it falls in the head, and only there.
TEST(TextKindTest, ANulAnywhereInTheHeadMakesBinary) {
    for (const std::size_t length : {1u, 31u, 32u, 33u, 100u, 8191u, 70000u}) {
        const std::string text(length, 'x');
        SCOPED_TRACE(length);
        EXPECT_EQ(KindOfText(text), TextKind::Text);
        for (std::size_t at = 0; at < length; at += at < 100 ? 1 : 997) {
            std::string withNul = text;
            withNul[at] = '\0';
            EXPECT_EQ(KindOfText(withNul), at < kTextKindHead ? TextKind::Binary : TextKind::Text)
                << "NUL at " << at;
        }
    }
}

TEST(TextKindTest, CompiledPythonIsBinary) {
    if (std::system("python3 -c 'pass' > /dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
    test::TempDir dir;
    test::WriteFile(dir / "m.py", "x = 1\n");
    const std::string compile = "python3 -c \"import py_compile; py_compile.compile('" +
                                (dir / "m.py") + "', cfile='" + (dir / "m.pyc") + "')\"";
    ASSERT_EQ(std::system(compile.c_str()), 0);
    EXPECT_EQ(KindOfText(Bytes(dir / "m.pyc")), TextKind::Binary);
}

}  // namespace
}  // namespace kesto
