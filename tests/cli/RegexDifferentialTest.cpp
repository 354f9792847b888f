// Regular-expression runs of kesto-cli against Perl as the reference: generated files with
// each line-break convention, NUL and high bytes, long and empty lines, with and without a
// final line break, run through a table of expressions. Perl applies the same rules as a
// run: a pattern that names no line break is matched on each line without its line break
// (s///g, or s/// for First Instance Only), one that does on the whole text with /m; the
// replacement is expanded by the rules of the replace string, not by Perl's interpolation.
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/CliRun.h"
#include "support/TempDir.h"

namespace kesto {
namespace {

namespace fs = std::filesystem;
using test::Quote;
using test::ReadFile;
using test::WriteFile;

constexpr const char* kPerl = "/usr/bin/perl";

// Reads a manifest of "CONVENTION<TAB>IN<TAB>OUT" lines (unix, dos, mac) and writes to each
// OUT what the substitution makes of IN. KESTO_RE and KESTO_REPL are the search and replace
// strings; KESTO_FLAGS holds i (caseless), g (every match), w (word boundaries at both ends)
// and t (the whole text with /m instead of line by line).
constexpr const char* kOracle = R"perl(
use strict;
use warnings;
no warnings 'uninitialized';

my $pattern = $ENV{KESTO_RE};
my $repl = $ENV{KESTO_REPL};
my $flags = $ENV{KESTO_FLAGS};
$pattern = '\b(?:' . $pattern . ')\b' if $flags =~ /w/;
my $caseless = $flags =~ /i/;
my $whole = $flags =~ /t/;
my $re = $caseless ? ($whole ? qr/$pattern/im : qr/$pattern/i)
                   : ($whole ? qr/$pattern/m : qr/$pattern/);

# The match being replaced, taken before expand's own matches overwrite it.
my @groups;
my %named;

sub group { return $groups[$_[0]] // ''; }

# $0, $1..$99 (two digits at most), ${N}, ${name} and $$; any other $, and every
# backslash, stands for itself.
sub expand {
    @groups = ($&, @{^CAPTURE});
    %named = %+;
    my $out = '';
    my $n = length $repl;
    for (my $k = 0; $k < $n; ++$k) {
        my $c = substr($repl, $k, 1);
        my $next = $k + 1 < $n ? substr($repl, $k + 1, 1) : '';
        if ($c ne '$') { $out .= $c; next; }
        if ($next eq '$') { $out .= '$'; ++$k; next; }
        if ($next =~ /^[0-9]$/) {
            my ($number) = substr($repl, $k + 1, 2) =~ /^([0-9]{1,2})/;
            $out .= group($number);
            $k += length $number;
            next;
        }
        if ($next eq '{') {
            my $close = index($repl, '}', $k + 2);
            if ($close < 0) { $out .= '$'; next; }
            my $name = substr($repl, $k + 2, $close - $k - 2);
            $out .= $name =~ /^[0-9]{1,2}$/ ? group($name) : ($named{$name} // '');
            $k = $close;
            next;
        }
        $out .= '$';
    }
    return $out;
}

sub substitute {
    my ($s) = @_;
    if ($flags =~ /g/) { $s =~ s/$re/expand()/ge; } else { $s =~ s/$re/expand()/e; }
    return $s;
}

open(my $manifest, '<', $ARGV[0]) or die "manifest: $!";
while (my $entry = <$manifest>) {
    chomp $entry;
    my ($convention, $in, $out) = split /\t/, $entry;
    open(my $fh, '<:raw', $in) or die "$in: $!";
    my $text = do { local $/; <$fh> };
    close $fh;
    my $result = '';
    if ($whole) {
        $result = substitute($text);
    } else {
        my $break = $convention eq 'dos' ? "\r\n" : $convention eq 'mac' ? "\r" : "\n";
        my @lines = split /\Q$break\E/, $text, -1;
        my $last = pop @lines;  # after the last line break: a line only when not empty
        $result .= substitute($_) . $break for @lines;
        $result .= substitute($last) if length $last;
    }
    open(my $oh, '>:raw', $out) or die "$out: $!";
    print $oh $result;
    close $oh;
}
)perl";

// SplitMix64: the same numbers with every standard library, unlike <random>'s distributions.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
    bool Percent(std::size_t p) { return Below(100) < p; }
    template <typename T, std::size_t N>
    const T& Pick(const T (&items)[N]) {
        return items[Below(N)];
    }

private:
    std::uint64_t m_state;
};

enum class Convention { Unix, Dos, Mac };

const char* NameOf(Convention convention) {
    switch (convention) {
    case Convention::Dos:
        return "dos";
    case Convention::Mac:
        return "mac";
    case Convention::Unix:
        break;
    }
    return "unix";
}

std::string BreakOf(Convention convention) {
    switch (convention) {
    case Convention::Dos:
        return "\r\n";
    case Convention::Mac:
        return "\r";
    case Convention::Unix:
        break;
    }
    return "\n";
}

struct Generated {
    std::string name;  // relative to the folder it is written to
    Convention convention;
    std::string bytes;
};

// Words the expressions look for, in several cases, and the bytes that trouble matchers:
// NUL, high bytes (0xA0 is a blank to \h, 0x85 a line break to \v), VT and FF.
std::string Token(Random& random) {
    static const char* const kWords[] = {
        "foo", "Foo",  "FOO",   "fOo",  "bar",   "Bar",   "baz",       "foobar", "barfoo", "cat",
        "Cat", "CAT",  "the",   "The",  "a",     "an",    "x",         "xx",     "xxx",    "abc",
        "ABC", "aaa",  "ab",    "ba",   "aeon",  "queue", "user@host", "2024",   "42",     "7",
        "007", "3.14", "1,000", "a1b2", "foo_1", "A",     "I",         "Hello",  "WORLD",  "is",
        "it",  "to",   "of",    "zzz",  "x1x",   "<b>",   "</b>",      "(x)",    "(a b)",  "[y]",
        "{z}", "$",    "$$",    "\\",   "\\1",   "a.b",   "'q'",       "\"d\"",  "#",      "%",
        "&",   "*",    "+",     "=",    "_",     "-",     "--",        ".",      ",",      ";",
        ":",   "!",    "?"};
    const std::size_t roll = random.Below(100);
    if (roll < 2) return std::string(1, '\0');
    if (roll < 6) {
        std::string high;
        for (std::size_t n = 1 + random.Below(4); n > 0; --n) {
            high += static_cast<char>(0x80 + random.Below(0x80));
        }
        return high;
    }
    if (roll < 7) return "caf\xE9";
    if (roll < 8) return "\xC9T\xC9";
    return random.Pick(kWords);
}

std::string Separator(Random& random) {
    static const char* const kSeparators[] = {" ",  " ",  " ",    " ",    " ",    " ",    "  ",
                                              "\t", ", ", "\xA0", "\x0B", "\x0C", "\x85", ""};
    return random.Pick(kSeparators);
}

// One line without its line break: empty, blank, long (several KB) or of a few tokens,
// sometimes with a word said twice, indented or with blanks at its end.
std::string Line(Random& random) {
    const std::size_t roll = random.Below(100);
    if (roll < 8) return "";
    if (roll < 10) return std::string(1 + random.Below(3), random.Percent(50) ? ' ' : '\t');
    std::string line;
    if (random.Percent(15)) line += std::string(1 + random.Below(4), ' ');
    const bool isLong = roll < 12;
    const std::size_t tokens = isLong ? 500 + random.Below(800) : 1 + random.Below(12);
    for (std::size_t t = 0; t < tokens; ++t) {
        if (t > 0) line += Separator(random);
        const std::string token = Token(random);
        line += token;
        if (random.Percent(5)) line += " " + token;
    }
    if (random.Percent(10)) line += random.Percent(50) ? " " : " \t ";
    return line;
}

std::string Text(Random& random, Convention convention, std::size_t lines, bool finalBreak) {
    std::string text;
    for (std::size_t i = 0; i < lines; ++i) {
        text += Line(random);
        if (i + 1 < lines || finalBreak) text += BreakOf(convention);
    }
    // A last line that is empty and unbroken is no line: give it a byte.
    if (!finalBreak && text.size() >= BreakOf(convention).size() &&
        text.compare(text.size() - BreakOf(convention).size(), std::string::npos,
                     BreakOf(convention)) == 0) {
        text += "end";
    }
    return text;
}

// Files of each convention, each with the lines of one convention only.
std::vector<Generated> Corpus(std::uint64_t seed, std::size_t perConvention, std::size_t lines) {
    Random random(seed);
    std::vector<Generated> files;
    for (const Convention convention : {Convention::Unix, Convention::Dos, Convention::Mac}) {
        for (std::size_t i = 0; i < perConvention; ++i) {
            const std::string name =
                std::string(1, NameOf(convention)[0]) + std::to_string(i) + ".txt";
            files.push_back(
                {name, convention,
                 Text(random, convention, lines / 2 + random.Below(lines), i % 2 == 0)});
        }
    }
    return files;
}

// The files every line-by-line table runs over: two of each convention, one of them without
// a final line break.
const std::vector<Generated>& LineCorpus() {
    static const std::vector<Generated> files = Corpus(20240611, 2, 80);
    return files;
}

// Bytes as a failure message can show them.
std::string Visible(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string shown;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '\\') {
            shown += "\\\\";
        } else if (byte < 0x20 || byte >= 0x7F) {
            shown += std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
        } else {
            shown += c;
        }
    }
    return shown;
}

// Where two texts first differ, with some bytes around it from each.
std::string Difference(const std::string& original, const std::string& expected,
                       const std::string& actual) {
    std::size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    const std::size_t from = at > 40 ? at - 40 : 0;
    const auto around = [from](const std::string& text) {
        return from < text.size() ? Visible(text.substr(from, 100)) : std::string();
    };
    return "first difference at byte " + std::to_string(at) + "\n    original: \"" +
           around(original) + "\"\n        perl: \"" + around(expected) + "\"\n   kesto-cli: \"" +
           around(actual) + "\"\n";
}

struct Expression {
    const char* search;
    const char* replace;
    const char* switches;  // c: Match Case, 1: First Instance Only, w: Whole Word
};

std::string Describe(const Expression& expression) {
    return "-E -s '" + Visible(expression.search) + "' -r '" + Visible(expression.replace) +
           "' switches \"" + expression.switches + "\"";
}

bool Has(const char* switches, char c) {
    return std::string(switches).find(c) != std::string::npos;
}

class RegexDifferentialTest : public test::CliRunTest {
protected:
    void SetUp() override {
        if (::access(kPerl, X_OK) != 0) GTEST_SKIP() << kPerl << " is missing: no reference";
        WriteFile(dir / "oracle.pl", kOracle);
    }

    // Perl's result for each file, as the manifest names them; false when Perl failed.
    bool RunOracle(const Expression& expression, bool wholeText, const std::string& manifest) {
        std::string flags = Has(expression.switches, 'c') ? "" : "i";
        if (!Has(expression.switches, '1')) flags += "g";
        if (Has(expression.switches, 'w')) flags += "w";
        if (wholeText) flags += "t";
        const std::string command =
            "cd " + Quote(dir.path().string()) + " && KESTO_RE=" + Quote(expression.search) +
            " KESTO_REPL=" + Quote(expression.replace) + " KESTO_FLAGS=" + Quote(flags) + " " +
            kPerl + " oracle.pl " + Quote(manifest) + " 2> perl-errors";
        return std::system(command.c_str()) == 0;
    }

    static std::vector<std::string> SwitchArguments(const Expression& expression) {
        // The generated files hold NUL bytes, which make a file binary to a run without
        // --binary.
        std::vector<std::string> arguments = {"--binary",        "-E", "-s",
                                              expression.search, "-r", expression.replace};
        if (Has(expression.switches, 'c')) arguments.push_back("-c");
        if (Has(expression.switches, '1')) arguments.push_back("-1");
        if (Has(expression.switches, 'w')) arguments.push_back("-w");
        return arguments;
    }

    // Writes `files` afresh under `root` and Perl's results under expect/, runs kesto-cli
    // with `where` (the file list or the walk) added to the expression's arguments, and
    // returns a description of every file that differs from Perl's.
    std::string Mismatches(const Expression& expression, bool wholeText,
                           const std::vector<Generated>& files, const std::string& root,
                           const std::vector<std::string>& where) {
        fs::remove_all(dir / root);
        fs::remove_all(dir / "expect");
        fs::create_directories(dir / "expect");
        std::string manifest;
        for (std::size_t i = 0; i < files.size(); ++i) {
            const std::string path = root + "/" + files[i].name;
            fs::create_directories(fs::path(dir / path).parent_path());
            WriteFile(dir / path, files[i].bytes);
            manifest += std::string(NameOf(files[i].convention)) + "\t" + path + "\texpect/" +
                        std::to_string(i) + "\n";
        }
        WriteFile(dir / "manifest", manifest);
        if (!RunOracle(expression, wholeText, "manifest")) {
            return "perl failed: " + ReadFile(dir / "perl-errors");
        }
        std::vector<std::string> arguments = SwitchArguments(expression);
        arguments.insert(arguments.end(), where.begin(), where.end());
        const int status = Run(arguments);
        if (status != 0) {
            return "kesto-cli exit " + std::to_string(status) + ": " + ReadFile(dir / "stderr");
        }
        std::string mismatches;
        std::size_t changed = 0;
        std::size_t differing = 0;
        for (std::size_t i = 0; i < files.size(); ++i) {
            const std::string expected = ReadFile(dir / ("expect/" + std::to_string(i)));
            const std::string actual = ReadFile(dir / (root + "/" + files[i].name));
            if (expected != files[i].bytes) ++changed;
            // Two files are enough to see what went wrong; the count says how far it goes.
            if (expected != actual && ++differing <= 2) {
                mismatches += files[i].name + " (" + NameOf(files[i].convention) +
                              "): " + Difference(files[i].bytes, expected, actual);
            }
        }
        if (differing > 2) {
            mismatches += std::to_string(differing) + " of " + std::to_string(files.size()) +
                          " files differ\n";
        }
        // A row that changes nothing would agree with any program.
        if (changed == 0) mismatches += "Perl changes no file: the row tests nothing\n";
        return mismatches;
    }

    // Runs each expression over copies of `files` named on the command line.
    void ExpectSameAsPerl(const std::vector<Expression>& table, bool wholeText,
                          const std::vector<Generated>& files) {
        std::vector<std::string> names;
        for (const Generated& file : files) names.push_back("work/" + file.name);
        for (const Expression& expression : table) {
            SCOPED_TRACE(Describe(expression));
            EXPECT_EQ(Mismatches(expression, wholeText, files, "work", names), "");
        }
    }
};

// Patterns without a line break are matched on each line without its line break.

// Anchors and the empty matches Perl's s///g takes.
const std::vector<Expression> kEmptyMatches = {
    // Line starts and ends.
    {"^", "> ", ""},
    {"$", " <", ""},
    {"^$", "(empty)", ""},
    {"^\\s+", "", ""},
    {"\\s+$", "", ""},
    {"^.{0,3}", "", ""},
    // Between the bytes: after an empty match the next may not be empty at the same place.
    {"x*", "-", ""},
    {"\\b", "|", ""},
    {"\\Bo", "0", ""},
    {"a*?", ".", ""},
    {"\\d*", "#", ""},
    {".*", "[$0]", ""},
    {"(?=a)", "^", ""},
    {"(?<=a)", "^", "1"},
    {"x*", "-", "w"},
    {"\\b", "|", "1"},
};

// Classes, escapes and quantifiers.
const std::vector<Expression> kClasses = {
    {"\\d+", "<$0>", ""},
    {"[^a-z]+", "_", ""},
    {"[^a-z]+", "_", "c"},
    {"[A-Z]", "_", "c"},
    {".", "$0$0", ""},
    {"[aeiou]{2,}", "${0}!", ""},
    {"\\W+", " ", ""},
    {"\\h+", "_", ""},
    {"\\v", "~", ""},
    {"[[:punct:]]", "", ""},
    {"[[:alpha:]]+\\d", "<$0>", "c"},
    {"[\\x80-\\xff]+", "?", ""},
    {"\\x00", "<NUL>", ""},
    {"\\xe9", "e", ""},
    {"\\d{2,}+", "N", ""},
    {"(?:ab)+?", "-", ""},
    {"<.+?>", "<>", ""},
    {"\\(.*?\\)", "()", ""},
    // Bytes above 0x7F in the pattern itself: caseless only for ASCII letters.
    {"\xC9t", "<$0>", ""},
    {"caf\xE9", "coffee", "c"},
};

// Alternation, groups and references in the replacement.
const std::vector<Expression> kGroups = {
    {"a|ab", "<$0>", ""},
    {"(a|b)+", "<$1>", ""},
    {"(a)|b", "[$1]", ""},
    {"(\\d)(\\d)?", "$2$1", ""},
    {"(\\d+)\\.(\\d+)", "$2.$1", ""},
    {"(\\w+) (\\w+)", "$2 $1", ""},
    {"(\\w+)@(\\w+)", "${2}@$1", ""},
    {"(?<word>foo|bar)", "[${word}]", ""},
    {"(?<first>\\w+)\\s(?<second>\\w+)", "${second} ${first}", "1"},
    {"(\\w)(\\w)(\\w)(\\w)(\\w)(\\w)(\\w)(\\w)(\\w)(\\w)(\\w)", "$11$10${1}0$111", "1"},
    {"\\$|\\\\", "$$\\", ""},
    {"x", "$ a ${ b $x \\1 $", ""},
    {"fo{1,2}|ba[rz]", "$0$0", "1"},
};

// Back references, lookaround, case, whole words and the first match only.
const std::vector<Expression> kLookaroundAndSwitches = {
    {"\\b(\\w+)\\s+\\1\\b", "$1", ""},
    {"foo(?=bar)", "F", ""},
    {"\\w+(?= )", "W", "1"},
    {"(?<=\\d)[a-z]", "_", ""},
    {"(?<![a-z])ba", "BA", "c"},
    {"(?<=^| )a", "A", "c"},
    {"foo", "baz", ""},
    {"Foo", "baz", "c"},
    {"(?i)FOO", "q", "c"},
    {"o", "0", "1"},
    {"^(\\S+)\\s+(\\S+)", "$2 $1", "1"},
    {"the|a", "X", "w"},
    {"cat", "dog", "wc"},
    {"\\d+|x+", "#", "w1"},
    {"\\W+", "_", "w"},
};

// Lines without the literal that every match holds are passed over before the expression
// runs; the literal is read from the pattern, so each row is a way of writing one.
const std::vector<Expression> kRequiredLiterals = {
    {"aaa+", "A", ""},
    {"fo?o{2}b", "F", ""},
    {"foo\\x20", "F", ""},
    {"a\\.b(?=\\s)", "ab", ""},
    {"[x]x\\d?x", "-", "c"},
    {"\\$\\$|\\\\1", "#", ""},
    // An alternative after an escape the reading stops at needs no literal at all.
    {"foo\\x20|bar", "Z", ""},
    {"ab\\K\\w|cat", "^", ""},
};

// Patterns that name a line break: matched against the whole text.
const std::vector<Expression> kTextExpressions = {
    {"\\n\\n+", "\n", ""},
    {"(\\w+)\\n(\\w+)", "$1 $2", ""},
    {"^\\n", "", ""},
    {",\\n", ", ", ""},
    {"\\s*\\n", "\n", ""},
    {"a\\n|b", "<$0>", ""},
    {"x*\\n?", "-", ""},
    {"$\\n^", "|", ""},
    {"(?<=\\w)\\n(?=[\\d\\w])", "+", ""},
    {"^(\\w+).*\\n\\1", "<$1>", ""},
    {"[^\\n]*\\n", "[$0]", "c"},
    {"\\n(?=\\n)|foo", "#", "w"},
};

// Whole-text patterns that do not depend on which bytes end a line for ^, $ and ., so
// that Perl, whose newline is always LF, reads them as a run does in every convention.
const std::vector<Expression> kBreakExpressions = {
    {"\\r\\n\\r\\n", "\r\n", ""},
    {"(\\w+)\\r?\\n", "$1;\n", ""},
    {"\\R\\R", "\\R", ""},
    {"\\r(\\w)", "\r<$1>", "c"},
};

TEST_F(RegexDifferentialTest, EmptyMatchesAndAnchorsAsPerlTakesThem) {
    ExpectSameAsPerl(kEmptyMatches, false, LineCorpus());
}

TEST_F(RegexDifferentialTest, ClassesEscapesAndQuantifiersAsPerlReadsThem) {
    ExpectSameAsPerl(kClasses, false, LineCorpus());
}

TEST_F(RegexDifferentialTest, GroupsAndReferencesInTheReplacementAsPerlFillsThem) {
    ExpectSameAsPerl(kGroups, false, LineCorpus());
}

TEST_F(RegexDifferentialTest, LookaroundCaseWholeWordsAndTheFirstMatchAsPerlTakesThem) {
    ExpectSameAsPerl(kLookaroundAndSwitches, false, LineCorpus());
}

TEST_F(RegexDifferentialTest, TheLiteralThatRulesLinesOutNeverHidesAMatch) {
    ExpectSameAsPerl(kRequiredLiterals, false, LineCorpus());
}

TEST_F(RegexDifferentialTest, AcrossLinesAsPerlSubstitutesInTheWholeText) {
    const std::vector<Generated> all = Corpus(7031, 2, 80);
    std::vector<Generated> unix;
    for (const Generated& file : all) {
        if (file.convention == Convention::Unix) unix.push_back(file);
    }
    ExpectSameAsPerl(kTextExpressions, true, unix);
    ExpectSameAsPerl(kBreakExpressions, true, all);
}

TEST_F(RegexDifferentialTest, AWalkOverATreeGivesEachFileWhatPerlGives) {
    Random random(99);
    std::vector<Generated> tree;
    for (std::size_t i = 0; i < 300; ++i) {
        const auto convention = static_cast<Convention>(i % 3);
        const std::string folder = "d" + std::to_string(i % 4) + (i % 8 < 4 ? "" : "/sub");
        tree.push_back({folder + "/f" + std::to_string(i) + ".txt", convention,
                        Text(random, convention, 5 + random.Below(40), random.Percent(50))});
    }
    const Expression expression = {"(\\w+) (\\d+)|\\bcat\\b", "$2 $1", ""};
    EXPECT_EQ(Mismatches(expression, false, tree, "tree", {"-d", "tree", "-f", "*.txt", "-R"}), "");
}

}  // namespace
}  // namespace kesto
