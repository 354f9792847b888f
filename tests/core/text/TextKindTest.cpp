#include <gtest/gtest.h>

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
    EXPECT_EQ(KindOfText(std::string("\xFF\xFE"
                                     "a\0b\0",
                                     6)),
              TextKind::Utf16);
    EXPECT_EQ(KindOfText(std::string("\xFE\xFF\0a\0b", 6)), TextKind::Utf16);
    EXPECT_EQ(KindOfText(std::string("\xFF\xFE\0\0a\0\0\0", 8)), TextKind::Utf32);
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
