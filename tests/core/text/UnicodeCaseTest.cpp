#include "text/UnicodeCase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace kesto {
namespace {

TEST(UnicodeCaseTest, OnlyWellFormedUtf8IsValid) {
    const std::string ascii(40, 'a');
    const struct {
        const char* name;
        std::string text;
        bool valid;
    } rows[] = {
        {"empty", "", true},
        {"ASCII", ascii, true},
        {"two, three and four bytes", "ä€\U0001F600", true},
        {"the last code point", "\xF4\x8F\xBF\xBF", true},
        {"past U+10FFFF", "\xF4\x90\x80\x80", false},
        {"overlong slash", "\xC0\xAF", false},
        {"overlong three bytes", "\xE0\x80\xAF", false},
        {"surrogate", "\xED\xA0\x80", false},
        {"stray continuation", "a\x80", false},
        {"cut short at the end", "ab\xE2\x82", false},
        {"bad byte after a long ASCII run", ascii + "\xFF" + ascii, false},
        {"Latin-1", "\xE4rger", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(UnicodeCase::IsValidUtf8(row.text), row.valid);
    }
    EXPECT_EQ(UnicodeCase::EncodingOf(ascii), UnicodeCase::Encoding::Ascii);
    EXPECT_EQ(UnicodeCase::EncodingOf(ascii + "ä"), UnicodeCase::Encoding::Utf8);
}

TEST(UnicodeCaseTest, SimpleFoldingMakesOneCharacterOfOne) {
    const struct {
        char32_t code;
        char32_t folded;
    } rows[] = {
        {U'Ä', U'ä'}, {U'ä', U'ä'},      {U'Σ', U'σ'},      {U'ς', U'σ'},
        {U'ß', U'ß'}, {U'ẞ', U'ß'},      {U'İ', U'İ'},      {U'ı', U'ı'},
        {U'I', U'i'}, {U'\u212A', U'k'}, {U'\u017F', U's'}, {U'7', U'7'},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<unsigned>(row.code));
        EXPECT_EQ(UnicodeCase::Fold(row.code), row.folded);
    }
    std::vector<char32_t> sigmas = UnicodeCase::FoldsAlike(U'ς');
    std::sort(sigmas.begin(), sigmas.end());
    EXPECT_EQ(sigmas, (std::vector<char32_t>{U'Σ', U'ς', U'σ'}));
    std::vector<char32_t> ks = UnicodeCase::FoldsAlike(U'k');
    std::sort(ks.begin(), ks.end());
    EXPECT_EQ(ks, (std::vector<char32_t>{U'K', U'k', U'\u212A'}));
}

}  // namespace
}  // namespace kesto
