// Text in UTF-16 and UTF-32 with a byte-order mark, and UTF-8 with one: searched as text,
// written back in its own encoding with every unchanged byte as it was, refused whole when it
// does not decode.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/CliRun.h"

namespace kesto {
namespace {

using test::Quote;
using test::ReadFile;
using test::WriteFile;

// An encoding as the test writes it, independently of the program's own code.
struct Form {
    std::string name;
    std::string mark;
    int unitSize;
    bool bigEndian;
};

const std::vector<Form> kWideForms = {
    {"utf16le", "\xFF\xFE", 2, false},
    {"utf16be", "\xFE\xFF", 2, true},
    {"utf32le", std::string("\xFF\xFE\0\0", 4), 4, false},
    {"utf32be", std::string("\0\0\xFE\xFF", 4), 4, true},
};

void PutUnit(std::string& out, char32_t unit, const Form& form) {
    for (int i = 0; i < form.unitSize; ++i) {
        const int shift = 8 * (form.bigEndian ? form.unitSize - 1 - i : i);
        out += static_cast<char>((unit >> shift) & 0xFF);
    }
}

// The mark and the units of `text`.
std::string Wide(std::u32string_view text, const Form& form) {
    std::string out = form.mark;
    for (const char32_t c : text) {
        if (form.unitSize == 2 && c > 0xFFFF) {
            PutUnit(out, 0xD800 + ((c - 0x10000) >> 10), form);
            PutUnit(out, 0xDC00 + ((c - 0x10000) & 0x3FF), form);
        } else {
            PutUnit(out, c, form);
        }
    }
    return out;
}

class EncodingsTest : public test::CliRunTest {
protected:
    std::string Read(const std::string& name) const { return ReadFile(dir / name); }
    std::string Log() const { return ReadFile(dir / "stdout"); }
    bool HasLine(const std::string& line) const {
        return ("\n" + Log()).find("\n" + line + "\n") != std::string::npos;
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir / name); }
};

TEST_F(EncodingsTest, TheUtf8MarkStaysInFrontAndIsNoPartOfTheFirstLine) {
    const std::string mark = "\xEF\xBB\xBF";
    struct Row {
        std::vector<std::string> arguments;
        std::string before;
        std::string after;
        std::vector<std::string> logLines;
    };
    const std::vector<Row> rows = {
        {{"-E", "-s", "^cat", "-r", "dog"},
         "cat food\ncat\n",
         "dog food\ndog\n",
         {"ORG: 00001 cat food", "MOD: 00001 dog food", "MOD: 00002 dog"}},
        {{"-E", "-w", "-s", "cat", "-r", "dog"},
         "cat x\r\nbobcat cat\r\n",
         "dog x\r\nbobcat dog\r\n",
         {"ORG: 00001 cat x", "MOD: 00001 dog x"}},
        {{"-s", "cat", "-r", "lion"}, "cat\nx", "lion\nx", {"ORG: 00001 cat", "MOD: 00001 lion"}},
        {{"-E", "-s", "\\Acat", "-r", "owl"}, "cat cat\n", "owl cat\n", {"MOD: 00001 owl cat"}},
    };
    for (const Row& row : rows) {
        WriteFile(dir / "a.txt", mark + row.before);
        WriteFile(dir / "plain.txt", row.before);
        std::vector<std::string> arguments = row.arguments;
        arguments.insert(arguments.end(), {"-c", "a.txt", "plain.txt"});
        ASSERT_EQ(Run(arguments), 0) << row.arguments[2];
        EXPECT_EQ(Read("a.txt"), mark + row.after) << row.arguments[2];
        EXPECT_EQ(Read("a.~txt"), mark + row.before) << row.arguments[2];
        EXPECT_EQ(Read("plain.txt"), row.after) << "the same run without the mark";
        for (const std::string& line : row.logLines) EXPECT_TRUE(HasLine(line)) << line << Log();
        EXPECT_EQ(Log().find(mark), std::string::npos) << Log();
    }
}

TEST_F(EncodingsTest, WideTextIsSearchedAndWrittenBackInItsOwnEncoding) {
    struct Text {
        std::string name;
        std::u32string before;
        std::u32string afterCat;
        std::u32string afterDog;
    };
    const std::vector<Text> texts = {
        {"crlf", U"Grüße, cat and dog\r\n😀 cat\r\nno match\r\nlast cat",
         U"Grüße, tiger and dog\r\n😀 tiger\r\nno match\r\nlast tiger",
         U"Grüße, tiger and hünd\r\n😀 tiger\r\nno match\r\nlast tiger"},
        {"lf", U"ä dog\nCAT\n\nÖ cat\n", U"ä dog\ntiger\n\nÖ tiger\n",
         U"ä hünd\ntiger\n\nÖ tiger\n"},
    };
    std::vector<std::string> files;
    for (const Form& form : kWideForms) {
        for (const Text& text : texts) {
            files.push_back(form.name + "-" + text.name + ".txt");
            WriteFile(dir / files.back(), Wide(text.before, form));
        }
    }
    // A file of the same encodings without a match stays as it is, unread by a backup.
    WriteFile(dir / "none.txt", Wide(U"nothing\r\n", kWideForms[0]));

    std::vector<std::string> longer = {"-s", "cat", "-r", "tiger", "none.txt"};
    longer.insert(longer.end(), files.begin(), files.end());
    ASSERT_EQ(Run(longer), 0) << ReadFile(dir / "stderr");
    std::vector<std::string> beyondAscii = {"-c", "-s", "dog", "-r", "hünd"};
    beyondAscii.insert(beyondAscii.end(), files.begin(), files.end());
    ASSERT_EQ(Run(beyondAscii), 0) << ReadFile(dir / "stderr");

    std::size_t at = 0;
    for (const Form& form : kWideForms) {
        for (const Text& text : texts) {
            const std::string& name = files[at++];
            EXPECT_EQ(Read(name), Wide(text.afterDog, form)) << name;
            EXPECT_EQ(ReadFile(test::BackupOf(dir / name)), Wide(text.afterCat, form)) << name;
        }
    }
    EXPECT_EQ(Read("none.txt"), Wide(U"nothing\r\n", kWideForms[0]));
    EXPECT_FALSE(Exists(test::BackupOf(dir / "none.txt")));
    // The log shows the lines as text, numbered as they are.
    EXPECT_TRUE(HasLine("ORG: 00001 Grüße, tiger and dog")) << Log();
    EXPECT_TRUE(HasLine("MOD: 00001 Grüße, tiger and hünd")) << Log();
    EXPECT_TRUE(HasLine("MOD: 00001 ä hünd")) << Log();
}

TEST_F(EncodingsTest, TextThatDoesNotDecodeExactlyIsAProblemAndLeftAsItWas) {
    const Form& le16 = kWideForms[0];
    struct Row {
        std::string name;
        std::string bytes;
        std::string reason;
    };
    const std::vector<Row> rows = {
        {"lone.txt", Wide(U"cat ", le16) + std::string("\x3D\xD8", 2) + Wide(U"\n", le16).substr(2),
         "UTF-16 text with an unpaired surrogate - not searched!"},
        {"odd.txt", Wide(U"cat\n", kWideForms[1]) + "x",
         "UTF-16 text of an odd length - not searched!"},
        {"past.txt", Wide(U"cat\n", kWideForms[2]) + std::string("\0\0\x11\0", 4),
         "UTF-32 text with a value that is no character - not searched!"},
    };
    for (const bool binaryToo : {false, true}) {
        std::vector<std::string> arguments = {"-s", "cat", "-r", "dog"};
        if (binaryToo) arguments.push_back("--binary");
        for (const Row& row : rows) {
            WriteFile(dir / row.name, row.bytes);
            arguments.push_back(row.name);
        }
        ASSERT_EQ(Run(arguments), 0) << ReadFile(dir / "stderr");
        for (const Row& row : rows) {
            EXPECT_EQ(Read(row.name), row.bytes) << row.name;
            EXPECT_FALSE(Exists(test::BackupOf(dir / row.name))) << row.name;
            EXPECT_NE(Log().find(row.name + " ... " + row.reason), std::string::npos) << Log();
        }
    }

    // A replacement that splits a character leaves text that is no UTF-8, and so no UTF-16.
    const std::string wide = Wide(U"café\n", le16);
    WriteFile(dir / "split.txt", wide);
    ASSERT_EQ(Run({"-E", "-s", "\\xC3", "-r", "E", "split.txt"}), 0);
    EXPECT_EQ(Read("split.txt"), wide);
    EXPECT_NE(Log().find("split.txt ... Left as it was: the new text is no UTF-8, so it can't be "
                         "written as UTF-16!"),
              std::string::npos)
        << Log();
}

TEST_F(EncodingsTest, BatchConversionAndStripRunsTakeWideTextToo) {
    const Form& be32 = kWideForms[3];
    const Form& le16 = kWideForms[0];
    WriteFile(dir / "pairs.sr",
              "#!S!#1#\r\ncat\r\n#!R!#1#\r\nlynx\r\n#!S!#2#\r\nlynx\r\n#!R!#2#\r\nl\xC3\xBCnx");
    WriteFile(dir / "b.txt", Wide(U"a cat\r\n", be32));
    WriteFile(dir / "c.txt", Wide(U"one\r\ntwo\r\n", le16));
    WriteFile(dir / "s.txt", Wide(U"one  \r\ntwo\t\r\n", le16));
    ASSERT_EQ(Run({"-c", "-b", "pairs.sr", "b.txt", "c.txt"}), 0) << ReadFile(dir / "stderr");
    EXPECT_EQ(Read("b.txt"), Wide(U"a lünx\r\n", be32));
    // The sizes are the file's on disk: the mark and seven characters, then one more.
    EXPECT_NE(Log().find("changes made -- Start Size 32 -- End Size 36 --"), std::string::npos)
        << Log();
    ASSERT_EQ(Run({"--convert", "dos2unix", "c.txt"}), 0) << ReadFile(dir / "stderr");
    EXPECT_EQ(Read("c.txt"), Wide(U"one\ntwo\n", le16));
    ASSERT_EQ(Run({"--strip", "s.txt"}), 0) << ReadFile(dir / "stderr");
    EXPECT_EQ(Read("s.txt"), Wide(U"one\r\ntwo\r\n", le16));
}

TEST_F(EncodingsTest, AnUndoGivesAWideFileItsBytesBack) {
    const std::string before = Wide(U"one cat\r\ntwo cats\r\n", kWideForms[1]);
    WriteFile(dir / "w.txt", before);
    ASSERT_EQ(Run({"-s", "cat", "-r", "leopard", "w.txt"}), 0);
    ASSERT_EQ(Read("w.txt"), Wide(U"one leopard\r\ntwo leopards\r\n", kWideForms[1]));
    ASSERT_EQ(Run({"--undo"}), 0) << ReadFile(dir / "stderr");
    EXPECT_EQ(Read("w.txt"), before);
}

TEST_F(EncodingsTest, TheDiffNamesAWideFileAsABinaryChangeThatPatchToolsLeaveAlone) {
    const std::string wide = Wide(U"a cat\n", kWideForms[0]);
    WriteFile(dir / "wide.txt", wide);
    WriteFile(dir / "bom.txt",
              "\xEF\xBB\xBF"
              "cat\nx\n");
    ASSERT_EQ(Run({"--diff", "-s", "cat", "-r", "dog", "wide.txt", "bom.txt"}), 0);
    const std::string diff = Log();
    EXPECT_NE(diff.find("Binary files a/wide.txt and b/wide.txt differ\n"), std::string::npos)
        << diff;
    EXPECT_EQ(diff.find("--- a/wide.txt"), std::string::npos) << diff;
    EXPECT_NE(diff.find("-\xEF\xBB\xBF"
                        "cat\n+\xEF\xBB\xBF"
                        "dog\n"),
              std::string::npos)
        << diff;
    if (!test::HasTool("git")) GTEST_SKIP() << "no git";
    WriteFile(dir / "p.diff", diff);
    ASSERT_EQ(std::system(("cd " + Quote(dir.path().string()) + " && git apply p.diff").c_str()),
              0);
    EXPECT_EQ(Read("bom.txt"),
              "\xEF\xBB\xBF"
              "dog\nx\n");
    EXPECT_EQ(Read("wide.txt"), wide);
}

}  // namespace
}  // namespace kesto
