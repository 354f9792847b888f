#include "pattern/PatternSyntax.h"

#include "regex/RegexPair.h"

#include <array>
#include <charconv>
#include <limits>
#include <optional>

namespace kesto {
namespace {

constexpr std::string_view kEmptySearchMessage = "You must specify a Search String!";
constexpr std::string_view kEmptyInsertMessage = "You must specify an Insert String!";
constexpr std::string_view kColumnDigitsMessage = "Insert column must be all digits!";

constexpr std::string_view kWildcardQuestion =
    "************************** Warning! ***********************************\n"
    "You have included one or more wildcards (? or *) in the Replace String!\n"
    "Wildcards in the Replace String are treated as the same character(s)\n"
    "they represent in the search string.  If you meant them literally, then\n"
    "include a \\ escape character before the wildcard (e.g., \\*).\n"
    "                           Continue?";

constexpr std::string_view kCaretNotFirst =
    "You have included special character => ^ in the Search\n"
    "String but it is NOT the 1st character!  If you meant it\n"
    "to be literal, define it as \\^, otherwise, make it the\n"
    "1st character in the Search String!\n";

constexpr std::string_view kTildeNotFirst =
    "You have included special character => ~ in the Search\n"
    "String but it is NOT the 1st character!  If you meant it\n"
    "to be literal, define it as \\~, otherwise, make it the\n"
    "1st and ONLY character in the Search String!\n"
    "Note: Replace String MUST be empty when stripping end-\n"
    "of-line whitespaces.";

constexpr std::string_view kTildeMultiple =
    "You have included multiple instances of special character\n"
    "=> ~ in the Search String!  This character may only\n"
    "appear once in the line without a \\ in front of it and it\n"
    "must be the ONLY character in the string!\n";

constexpr std::string_view kTildeNotAlone =
    "You have included special character => ~ in the Search\n"
    "String without a \\ with additional characters following\n"
    "the ~!  If you meant to strip end-of-line whitespaces the ~\n"
    "is the ONLY character allowed in the Search String,\n"
    "otherwise, add a \\ in front of the ~ if you meant it to\n"
    "be the literal character ~!";

constexpr std::string_view kTildeWithReplace =
    "You have defined special character => ~ as the Search\n"
    "String but also defined a NON-EMPTY Replace String!\n"
    "The Replace String must be empty to strip end-of-line\n"
    "whitespaces!  If you want the literal character ~ to be\n"
    "replaced by the defined Replace String, define the Search\n"
    "String as \\~!";

std::string SpecialInReplaceMessage(char special) {
    std::string text = "You have included special character => ";
    text += special;
    text +=
        " in the Replace\nString!  This character may only appear if it has\n"
        "a \\ in front of it!";
    return text;
}

std::string QuestionCountMessage(int searchCount, int replaceCount) {
    return "You have specified " + std::to_string(searchCount) + " ?'s in the Search String and " +
           std::to_string(replaceCount) +
           " ?'s in the\nReplace String.  You MAY NOT have more ?'s wildcards in the Replace "
           "String\nthan in the Search String!";
}

std::string ColumnRangeMessage(int limit) {
    return "Insert column must be between 1 and " + std::to_string(limit) + "!";
}

bool AllDigits(std::string_view text) {
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// The decimal value of a string of digits; a value too large for the column saturates so
// that it is refused by the range check rather than wrapping round into range.
int ParseColumn(std::string_view digits) {
    int value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) return std::numeric_limits<int>::max();
    return value;
}

// One token of the special-character syntax, processed over one string.
struct Token {
    char letter;   // the character after the backslash, or the special character itself
    char control;  // the control character of an escape; 0 for ^ $ ~
    bool IsEscape() const { return control != 0; }
};

constexpr std::array<Token, 10> kTokens = {{{'t', '\t'},
                                            {'v', '\v'},
                                            {'f', '\f'},
                                            {'a', '\a'},
                                            {'b', '\b'},
                                            {'r', '\r'},
                                            {'n', '\n'},
                                            {'^', 0},
                                            {'$', 0},
                                            {'~', 0}}};

struct TokenCount {
    int unescaped = 0;
    std::optional<std::size_t> firstUnescapedAt;  // offset in the processed string
};

// Rewrites `text` for one token in a single left-to-right pass. An escaped occurrence
// loses its escaping backslash and stays literal. Every `$` is counted, escaped or not:
// the escaped ones are resolved by pattern preparation, which must therefore run.
TokenCount ProcessToken(std::string& text, const Token& token) {
    TokenCount count;
    std::string out;
    out.reserve(text.size());
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size; ++i) {
        const char c = text[i];
        const bool escapedByPrevious = i > 0 && text[i - 1] == '\\';
        if (token.IsEscape()) {
            if (c == '\\' && i + 1 < size && text[i + 1] == token.letter) {
                if (escapedByPrevious) {
                    out.back() = '\\';  // the escaping backslash goes, the token stays literal
                    out += token.letter;
                } else {
                    if (!count.firstUnescapedAt) count.firstUnescapedAt = out.size();
                    ++count.unescaped;
                    out += token.control;
                }
                ++i;
                continue;
            }
        } else if (c == token.letter) {
            if (escapedByPrevious && token.letter != '$') {
                out.back() = c;
                continue;
            }
            if (!count.firstUnescapedAt) count.firstUnescapedAt = out.size();
            ++count.unescaped;
        }
        out += c;
    }
    text.swap(out);
    return count;
}

// The switches both mode dialogs show, each with its member of the plan.
struct SharedSwitch {
    bool RunDialogValues::*shown;
    bool RunPlan::*planned;
};
constexpr std::array<SharedSwitch, 9> kSharedSwitches = {{
    {&RunDialogValues::matchWholeWord, &RunPlan::matchWholeWord},
    {&RunDialogValues::matchCase, &RunPlan::matchCase},
    {&RunDialogValues::globalReplace, &RunPlan::globalReplace},
    {&RunDialogValues::confirmEachReplace, &RunPlan::confirmEachReplace},
    {&RunDialogValues::firstInstanceOnly, &RunPlan::firstInstanceOnly},
    {&RunDialogValues::allInstancesInLine, &RunPlan::allInstancesInLine},
    {&RunDialogValues::selectViaFileDialog, &RunPlan::selectViaFileDialog},
    {&RunDialogValues::regularExpression, &RunPlan::regularExpression},
    {&RunDialogValues::preserveCase, &RunPlan::preserveCase},
}};

void ResetDerivedFlags(RunPlan& options) {
    options.anchorLineStart = false;
    options.anchorLineEnd = false;
    options.stripEolWhiteSpace = false;
    options.controlEscapesInSearch = false;
    options.lineBreakInStrings = false;
    options.lineBreakInReplace = false;
}

// The refusals of the search string for ^ and ~; an empty optional accepts.
std::optional<std::string_view> SearchTokenRefusal(const Token& token, const TokenCount& count,
                                                   std::size_t typedLength, bool replaceIsEmpty) {
    if (token.letter == '^') {
        if (count.firstUnescapedAt && *count.firstUnescapedAt != 0) return kCaretNotFirst;
    } else if (token.letter == '~') {
        if (count.firstUnescapedAt && *count.firstUnescapedAt != 0) return kTildeNotFirst;
        if (count.unescaped > 1) return kTildeMultiple;
        if (count.unescaped == 1 && typedLength > 1) return kTildeNotAlone;
        if (count.unescaped == 1 && !replaceIsEmpty) return kTildeWithReplace;
    }
    return std::nullopt;
}

void SetSearchFlags(const Token& token, RunPlan& options) {
    if (token.IsEscape()) options.controlEscapesInSearch = true;
    switch (token.letter) {
    case 'n':
        options.lineBreakInStrings = true;
        break;
    case '^':
        options.anchorLineStart = true;
        break;
    case '$':
        options.anchorLineEnd = true;
        options.lineBreakInStrings = true;
        break;
    case '~':
        options.stripEolWhiteSpace = true;
        options.globalReplace = true;
        options.confirmEachReplace = false;
        break;
    default:
        break;
    }
}

}  // namespace

void CopyRunSwitches(const RunDialogValues& values, RunPlan& options) {
    for (const auto& [shown, planned] : kSharedSwitches) options.*planned = values.*shown;
}

void ShowRunSwitches(const RunPlan& options, RunDialogValues& values) {
    for (const auto& [shown, planned] : kSharedSwitches) values.*shown = options.*planned;
}

int CountUnescaped(std::string_view text, char ch) {
    int count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ch && (i == 0 || text[i - 1] != '\\')) ++count;
    }
    return count;
}

ValidationResult ValidateBeforeRun(const RunDialogValues& values, RunPlan& options,
                                   Prompter& prompter, WildcardQuestion question) {
    ValidationResult result;
    options.searchString = values.searchText;
    if (values.searchText.empty()) {
        result.check = PatternCheck::Reject(
            std::string(values.insertAtColumn ? kEmptyInsertMessage : kEmptySearchMessage),
            FocusField::Search);
        return result;
    }

    options.insertAtColumn = values.insertAtColumn;
    if (values.insertAtColumn) {
        if (!AllDigits(values.replaceText)) {
            result.check =
                PatternCheck::Reject(std::string(kColumnDigitsMessage), FocusField::Replace);
            return result;
        }
        const int column = ParseColumn(values.replaceText);
        const int limit = kInsertColumnSpan - static_cast<int>(values.searchText.size());
        options.insertColumn = column;
        if (column < 1 || column > limit) {
            result.check = PatternCheck::Reject(ColumnRangeMessage(limit), FocusField::Replace);
            return result;
        }
    } else {
        options.replaceString = values.replaceText;
    }

    const bool regex = values.regularExpression && !values.insertAtColumn;
    if (regex) {
        if (values.wildcardSession || values.specialCharSession) {
            result.check =
                PatternCheck::Reject(std::string(kRegexExcludesMessage), FocusField::Search);
            return result;
        }
        RegexPair::Refusal refusal;
        if (!RegexPair::Compile(values.searchText, values.replaceText, values.matchCase,
                                values.matchWholeWord, refusal, options.unicodeCase)) {
            result.check =
                PatternCheck::Reject(RegexPair::Describe(refusal),
                                     refusal.inReplace ? FocusField::Replace : FocusField::Search);
            result.check.caret = refusal.error.offset;
            return result;
        }
    }

    if (values.wildcardSession && !regex) {
        TypedWildcardCounts& counts = result.counts;
        counts.searchQuestion = CountUnescaped(values.searchText, '?');
        counts.searchStar = CountUnescaped(values.searchText, '*');
        counts.replaceQuestion = CountUnescaped(values.replaceText, '?');
        counts.replaceStar = CountUnescaped(values.replaceText, '*');
        if (counts.replaceQuestion > counts.searchQuestion) {
            result.check = PatternCheck::Reject(
                QuestionCountMessage(counts.searchQuestion, counts.replaceQuestion),
                FocusField::Replace);
            return result;
        }
        const bool replaceHasWildcards = counts.replaceQuestion + counts.replaceStar > 0;
        if (replaceHasWildcards && !options.suppressWildcardNotice &&
            question == WildcardQuestion::Ask && !prompter.AskYesNo(kWildcardQuestion)) {
            result.check = PatternCheck::Reject({}, FocusField::Replace);
            return result;
        }
    }

    CopyRunSwitches(values, options);
    options.regularExpression = regex;
    options.wildcardSession = values.wildcardSession && !regex;
    options.specialCharSession = values.specialCharSession && !regex;

    if (options.specialCharSession) {
        result.check = ProcessSpecialCharacters(options);
    } else {
        ResetDerivedFlags(options);
    }
    return result;
}

PatternCheck ProcessSpecialCharacters(RunPlan& options) {
    ResetDerivedFlags(options);
    std::string search = options.searchString;
    std::string replace = options.replaceString;
    const std::size_t typedSearchLength = search.size();
    const bool processReplace = !options.insertAtColumn;

    for (const Token& token : kTokens) {
        const TokenCount searchCount = ProcessToken(search, token);
        if (auto refusal = SearchTokenRefusal(token, searchCount, typedSearchLength,
                                              options.replaceString.empty())) {
            return PatternCheck::Reject(std::string(*refusal), FocusField::Search);
        }
        if (searchCount.unescaped > 0) SetSearchFlags(token, options);

        if (!processReplace) continue;
        const TokenCount replaceCount = ProcessToken(replace, token);
        if ((token.letter == '^' || token.letter == '~') && replaceCount.unescaped > 0) {
            return PatternCheck::Reject(SpecialInReplaceMessage(token.letter), FocusField::Replace);
        }
        if ((token.letter == 'n' || token.letter == '$') && replaceCount.unescaped > 0) {
            options.lineBreakInStrings = true;
            options.lineBreakInReplace = true;
        }
    }

    options.searchString = std::move(search);
    if (processReplace) options.replaceString = std::move(replace);
    return PatternCheck::Accept();
}

void ReduceDoubledBackslashes(std::string& text) {
    static constexpr std::string_view kEscapeLetters = "abfnrtv";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            const bool beforeEscapeLetter =
                i + 2 < text.size() && kEscapeLetters.find(text[i + 2]) != std::string_view::npos;
            out += '\\';
            if (!beforeEscapeLetter) out += '\\';
            ++i;  // the pair is one unit, so a run of backslashes is taken two at a time
            continue;
        }
        out += text[i];
    }
    text.swap(out);
}

std::string DisplayForm(std::string_view text, bool conversionRun) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            if (conversionRun) {
                out += "\\r";
            } else if (i + 1 < text.size() && text[i + 1] == '\n') {
                out += '$';
                ++i;
            } else {
                out += "\\r";
            }
        } else if (c == '\n') {
            out += conversionRun ? "\\n" : "$";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace kesto
