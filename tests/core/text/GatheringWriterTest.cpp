// The writer that gathers a scan's pieces must pass on every byte in order, whether a
// piece is short, fills the buffer or is too large for it.
#include "text/GatheringWriter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace kesto {
namespace {

TEST(GatheringWriterTest, PassesOnEveryPieceInOrderWhateverItsSize) {
    std::mt19937 random(3);
    // A source with room to read sixteen bytes past any short piece.
    std::string source(300'000, '\0');
    for (char& c : source) c = static_cast<char>('a' + random() % 26);

    std::string received;
    StringSink sink(received);
    GatheringWriter writer(sink);
    std::string expected;
    for (int piece = 0; piece < 5000; ++piece) {
        const std::size_t size = piece % 50 == 0 ? random() % 100'000 : random() % 17;
        const std::size_t from = random() % (source.size() - size - GatheringWriter::kShort);
        if (piece % 3 == 0) {
            writer.Write(std::string_view(source).substr(from, size));
        } else {
            writer.WriteReadable(source.data() + from, size);
        }
        expected.append(source, from, size);
    }
    writer.Flush();
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
    writer.Flush();
    EXPECT_EQ(received.size(), expected.size()) << "a second flush passes on nothing";
}

}  // namespace
}  // namespace kesto
