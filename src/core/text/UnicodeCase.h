// UnicodeCase: the letter case of UTF-8 text beyond ASCII, for runs that ask for it. The
// character tables are ICU's: folding is Unicode simple case folding (one character to one,
// so ß stays ß and a fold never changes how many characters a text has), the shapes use the
// simple upper, lower and title case mappings.
//
// Bytes that are no UTF-8 are no letters here: they compare as themselves and are left as
// they are.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/CaseShape.h"

namespace kesto {

class UnicodeCase {
public:
    // One character of a UTF-8 text; `length` is 0 where no whole, valid sequence starts.
    struct Char {
        char32_t code = 0;
        std::size_t length = 0;
    };

    static Char Decode(std::string_view text, std::size_t at);
    static void Append(char32_t code, std::string& out);

    enum class Encoding { Ascii, Utf8, NotUtf8 };
    // Ascii: every byte below 0x80; Utf8: valid UTF-8 with a character beyond ASCII.
    static Encoding EncodingOf(std::string_view text);
    static bool IsValidUtf8(std::string_view text) { return EncodingOf(text) != Encoding::NotUtf8; }
    static bool IsAscii(std::string_view text);

    static char32_t Fold(char32_t code);
    // Every character that folds as `code` does, `code` among them.
    static std::vector<char32_t> FoldsAlike(char32_t code);

    // Whether `text` holds a character outside ASCII that folds to an ASCII letter (the
    // Kelvin sign folds to k, the long s to s): only then can an ASCII search string find
    // more with Unicode folding than with ASCII folding.
    static bool HoldsFoldsOfAsciiLetters(std::string_view text);
    // Whether an ASCII search string has a letter such a character folds to.
    static bool HasLettersFoldedFromBeyondAscii(std::string_view ascii);

    // The shape of `text` and its application, with every cased letter of Unicode.
    static CaseShape ShapeOf(std::string_view text);
    static void ApplyShape(CaseShape shape, std::string& text);
};

}  // namespace kesto
