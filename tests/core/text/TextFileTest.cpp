#include "text/TextFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/TempDir.h"
#include "text/UniqueFd.h"

namespace kesto {
namespace {

// A file measured at one size and read at another has changed in between: the read must
// refuse it rather than pass on a part or a mixture.
TEST(TextFileTest, AFileReadsWholeOnlyAtTheSizeItWasMeasuredAt) {
    test::TempDir dir;
    const std::string path = dir / "f.txt";
    const auto readAs = [&](std::size_t measured, TextBuffer& buffer) {
        const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        return ReadWholeFile(fd.get(), measured, buffer);
    };
    TextBuffer buffer;
    test::WriteFile(path, "abc");
    ASSERT_EQ(readAs(3, buffer), ReadResult::Ok);
    EXPECT_EQ(buffer.view(), "abc");
    EXPECT_EQ(buffer.bytes[3], '\0');
    EXPECT_EQ(readAs(2, buffer), ReadResult::Failed) << "grew since it was measured";
    EXPECT_EQ(readAs(4, buffer), ReadResult::Failed) << "shrank since it was measured";
    test::WriteFile(path, "");
    EXPECT_EQ(readAs(0, buffer), ReadResult::Ok);
    EXPECT_EQ(buffer.view(), "");
    EXPECT_EQ(readAs(0, buffer), ReadResult::Ok);
    test::WriteFile(path, "x");
    EXPECT_EQ(readAs(0, buffer), ReadResult::Failed) << "an empty file that got a byte";

    // Larger than one read of a pipe or a page: read whole, and a byte more is seen.
    const std::string large(3 * 1024 * 1024 + 7, 'q');
    test::WriteFile(path, large);
    ASSERT_EQ(readAs(large.size(), buffer), ReadResult::Ok);
    EXPECT_EQ(buffer.view(), large);
    EXPECT_EQ(readAs(large.size() - 1, buffer), ReadResult::Failed);
}

}  // namespace
}  // namespace kesto
