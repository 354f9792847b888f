#include "text/TextEncoding.h"

#include <fcntl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TempDir.h"
#include "text/FileText.h"
#include "text/TextEncoder.h"
#include "text/UniqueFd.h"

namespace kesto {
namespace {

std::string Bytes(const char* text, std::size_t size) {
    return {text, size};
}

// "aé€😀" with a line break: one character of each UTF-8 length, and its units in each
// encoding, written out by hand.
const std::string kSample = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\r\n";
struct Encoded {
    TextEncoding encoding;
    std::string units;
};
const std::vector<Encoded> kSampleUnits = {
    {TextEncoding::Utf16Le, Bytes("a\0\xE9\0\xAC\x20\x3D\xD8\x00\xDE\r\0\n\0", 14)},
    {TextEncoding::Utf16Be, Bytes("\0a\0\xE9\x20\xAC\xD8\x3D\xDE\x00\0\r\0\n", 14)},
    {TextEncoding::Utf32Le,
     Bytes("a\0\0\0\xE9\0\0\0\xAC\x20\0\0\x00\xF6\x01\0\r\0\0\0\n\0\0\0", 24)},
    {TextEncoding::Utf32Be,
     Bytes("\0\0\0a\0\0\0\xE9\0\0\x20\xAC\0\x01\xF6\x00\0\0\0\r\0\0\0\n", 24)},
};

std::string Decoded(std::string_view units, TextEncoding encoding,
                    std::optional<std::string_view>* refusal = nullptr) {
    TextBuffer utf8;
    const std::optional<std::string_view> refused = DecodeToUtf8(units, encoding, utf8);
    if (refusal) *refusal = refused;
    return refused ? "" : std::string(utf8.view());
}

// The encoder's output when the text comes in pieces of `piece` bytes; none when it
// refused the text.
std::optional<std::string> EncodedInPieces(std::string_view utf8, TextEncoding encoding,
                                           std::size_t piece) {
    std::string out;
    StringSink sink(out);
    TextEncoder encoder(sink, encoding);
    for (std::size_t at = 0; at < utf8.size(); at += piece) encoder.Write(utf8.substr(at, piece));
    if (!encoder.Finish()) return std::nullopt;
    return out;
}

TEST(TextEncodingTest, EachEncodingDecodesAndEncodesCharactersOfEveryLengthExactly) {
    for (const auto& [encoding, units] : kSampleUnits) {
        EXPECT_EQ(Decoded(units, encoding), kSample) << static_cast<int>(encoding);
        // Every cut of the text into pieces, a character cut in two or three included.
        for (std::size_t piece = 1; piece <= kSample.size(); ++piece) {
            EXPECT_EQ(EncodedInPieces(kSample, encoding, piece), units)
                << static_cast<int>(encoding) << " in pieces of " << piece;
        }
    }
}

TEST(TextEncodingTest, LongTextRoundTripsWhereverTheCharacterBeyondAsciiLies) {
    // The ASCII stretches are turned over in blocks: a character beyond them at each place of
    // a block, and text longer than the encoder's own blocks.
    for (std::size_t at = 0; at < 40; ++at) {
        std::string text(64, 'x');
        text.insert(at, "\xC3\xB6\xF0\x9F\x98\x80");
        for (const auto& [encoding, ignored] : kSampleUnits) {
            const std::optional<std::string> units = EncodedInPieces(text, encoding, 7);
            ASSERT_TRUE(units) << at;
            EXPECT_EQ(Decoded(*units, encoding), text) << static_cast<int>(encoding) << " " << at;
        }
    }
    std::string large;
    for (int i = 0; large.size() < 600'000; ++i) {
        large += i % 9 ? "line of plain text\n" : "l\xC3\xADnea \xE2\x82\xAC\n";
    }
    for (const auto& [encoding, ignored] : kSampleUnits) {
        const std::optional<std::string> whole = EncodedInPieces(large, encoding, large.size());
        ASSERT_TRUE(whole);
        EXPECT_EQ(EncodedInPieces(large, encoding, 1000), whole);
        EXPECT_EQ(Decoded(*whole, encoding), large);
    }
}

TEST(TextEncodingTest, BytesThatAreNoExactTextAreRefusedWithTheirReason) {
    struct Row {
        TextEncoding encoding;
        std::string units;
        std::string_view reason;
    };
    const std::vector<Row> rows = {
        {TextEncoding::Utf16Le, Bytes("a\0b", 3), "odd length"},
        {TextEncoding::Utf16Le, Bytes("a\0\x3D\xD8", 4), "unpaired surrogate"},
        {TextEncoding::Utf16Le, Bytes("\x3D\xD8z\0", 4), "unpaired surrogate"},
        {TextEncoding::Utf16Le, Bytes("\x00\xDEz\0", 4), "unpaired surrogate"},
        {TextEncoding::Utf16Be, Bytes("\xD8\x3D\xD8\x3D\xDE\x00", 6), "unpaired surrogate"},
        {TextEncoding::Utf32Le, Bytes("a\0\0\0b\0", 6), "cut short"},
        {TextEncoding::Utf32Le, Bytes("\0\0\x11\0", 4), "no character"},
        {TextEncoding::Utf32Be, Bytes("\0\0\xD8\0", 4), "no character"},
    };
    for (const Row& row : rows) {
        std::optional<std::string_view> refusal;
        Decoded(row.units, row.encoding, &refusal);
        ASSERT_TRUE(refusal) << row.reason;
        EXPECT_NE(refusal->find(row.reason), std::string_view::npos) << *refusal;
    }
}

TEST(TextEncodingTest, NewTextThatIsNoUtf8CannotBeEncoded) {
    const std::vector<std::string> texts = {
        "a\x80",              // a byte that continues nothing
        "ab\xC3",             // a character cut at the end of the text
        "\xC3z",              // a character cut in the middle
        "\xC0\xAF",           // an overlong form
        "\xE0\x80\xAF",       // an overlong form of three bytes
        "\xED\xA0\x80",       // a surrogate
        "\xF4\x90\x80\x80",   // past U+10FFFF
        "\xE9t\xE9 Latin-1",  // single-byte text
    };
    for (const std::string& text : texts) {
        for (const TextEncoding encoding : {TextEncoding::Utf16Le, TextEncoding::Utf32Be}) {
            EXPECT_FALSE(EncodedInPieces(text, encoding, 1)) << text;
            EXPECT_FALSE(EncodedInPieces(text, encoding, text.size())) << text;
        }
    }
}

TEST(TextEncodingTest, FileTextIsTheTextAfterTheMarkDecodedWhereTheMarkSaysSo) {
    struct Row {
        std::string bytes;
        std::string text;
        TextEncoding encoding;
        std::size_t markLength;
    };
    const std::vector<Row> rows = {
        {"plain\n", "plain\n", TextEncoding::Utf8, 0},
        {"\xEF\xBB\xBFplain\n", "plain\n", TextEncoding::Utf8, 3},
        {Bytes("\xFF\xFEh\0i\0", 6), "hi", TextEncoding::Utf16Le, 2},
        {Bytes("\xFE\xFF\0h\0i", 6), "hi", TextEncoding::Utf16Be, 2},
        {Bytes("\xFF\xFE\0\0h\0\0\0", 8), "h", TextEncoding::Utf32Le, 4},
        {Bytes("\0\0\xFE\xFF\0\0\0h", 8), "h", TextEncoding::Utf32Be, 4},
        // Latin-1 "ÿ" and a NUL are no mark.
        {Bytes("\xFF\0", 2), Bytes("\xFF\0", 2), TextEncoding::Utf8, 0},
    };
    test::TempDir dir;
    FileText file;
    for (const Row& row : rows) {
        test::WriteFile(dir / "f", row.bytes);
        const UniqueFd fd(::open((dir / "f").c_str(), O_RDONLY | O_CLOEXEC));
        ASSERT_EQ(file.Read(fd.get(), row.bytes.size()), ReadResult::Ok);
        EXPECT_FALSE(file.Decode(false));
        EXPECT_EQ(file.text(), row.text) << row.text;
        EXPECT_EQ(file.bytes(), row.bytes);
        EXPECT_EQ(file.encoding(), row.encoding) << row.text;
        EXPECT_EQ(file.byteOrderMark(), row.bytes.substr(0, row.markLength)) << row.text;
        // The decoded text ends in two zero bytes, as a file read does.
        EXPECT_EQ(file.text().data()[file.text().size()], '\0');
    }

    // The binary check judges the decoded text: a NUL character is binary, its UTF-16 zero
    // bytes are not.
    test::WriteFile(dir / "f", Bytes("\xFF\xFEh\0\0\0", 6));
    const UniqueFd nul(::open((dir / "f").c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(file.Read(nul.get(), 6), ReadResult::Ok);
    EXPECT_EQ(file.Decode(true), "Binary file - not searched!");
    EXPECT_FALSE(file.Decode(false));
}

}  // namespace
}  // namespace kesto
