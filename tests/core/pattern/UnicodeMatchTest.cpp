#include "core/pattern/MatcherFixture.h"

namespace kesto {
namespace {

using test::LineOutcome;
using test::MatcherTest;

struct UnicodeRow {
    const char* name;
    std::string search;
    std::string replace;
    std::string line;
    std::string expected;  // the line after the run; as it was when nothing matches
    bool wildcards = false;
};

class UnicodeMatchTest : public MatcherTest {
protected:
    void RunRows(const std::vector<UnicodeRow>& rows) {
        for (const UnicodeRow& row : rows) {
            SCOPED_TRACE(row.name);
            values.wildcardSession = row.wildcards;
            const LineOutcome outcome = Run(row.search, row.replace, row.line);
            EXPECT_EQ(outcome.line, row.expected);
        }
    }
};

TEST_F(UnicodeMatchTest, CaseBlindMatchingFoldsEveryLetterOfUtf8Text) {
    options.unicodeCase = true;
    RunRows({
        {"Finnish", "ärsyttää", "x", "ÄRSYTTÄÄ ärsyttää Ärsyttää", "x x x"},
        {"German", "ärger", "x", "Ärger ÄRGER", "x x"},
        {"capital sharp s folds to sharp s", "STRAẞE", "x", "straße STRASSE", "x STRASSE"},
        {"Greek final sigma", "σοφος", "x", "ΣΟΦΟΣ σοφοσ σοφος", "x x x"},
        {"dotless i folds to itself", "ı", "x", "İ ı I i", "İ x I i"},
        {"ASCII i takes neither Turkish i", "i", "x", "İ ı I i", "İ ı x x"},
        {"the Kelvin sign folds to k", "kilo", "x", "\u212Ailo KILO kilo", "x x x"},
        {"the long s folds to s", "sun", "x", "\u017Fun Sun", "x x"},
        {"the Kelvin sign searched in ASCII text", "\u212Ailo", "x", "kilo KILO", "x x"},
        {"a letter beyond ASCII in ASCII text", "ärger", "x", "arger ARGER", "arger ARGER"},
        {"a star's run in folded text", "ä*R", "x", "ÄbcR äXr", "x x", true},
        {"not UTF-8: ASCII letters only", "\xE4rger", "x", "\xC4rger \xE4RGER", "\xC4rger x"},
    });
}

TEST_F(UnicodeMatchTest, PreserveCaseShapesEveryCasedLetter) {
    options.unicodeCase = true;
    values.preserveCase = true;
    RunRows({
        {"capitalised", "onni", "önni", "Onni", "Önni"},
        {"upper case", "onni", "önni", "ONNI", "ÖNNI"},
        {"lower case", "ärger", "ÜBEL", "ärger", "übel"},
        {"shape of a folded match", "ärger", "übel", "Ärger", "Übel"},
        {"Greek", "λόγος", "μύθος", "ΛΌΓΟΣ", "ΜΎΘΟΣ"},
        {"sharp s has no capital of its own", "gross", "groß", "GROSS", "GROß"},
    });
}

TEST_F(UnicodeMatchTest, WithoutUnicodeCaseOnlyAsciiLettersFold) {
    values.preserveCase = true;
    RunRows({
        {"no fold of Ä", "ärger", "x", "Ärger ärger", "Ärger x"},
        {"no Kelvin sign", "kilo", "x", "\u212Ailo kilo", "\u212Ailo x"},
    });
}

}  // namespace
}  // namespace kesto
