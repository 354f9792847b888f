#include "regex/RegexSearch.h"

#include "regex/RequiredLiteral.h"
#include "text/AsciiCase.h"
#include "text/UnicodeCase.h"

namespace kesto {

namespace {

constexpr std::size_t kUtfPrograms = 4;

}  // namespace

RegexSearch::RegexSearch(std::string pattern, bool matchCase, bool wholeWord, bool unicode)
    : m_pattern(std::move(pattern)),
      m_matchCase(matchCase),
      m_wholeWord(wholeWord),
      m_unicode(unicode),
      m_spansLines(NamesLineBreak(m_pattern)),
      m_requiredLiteral(RequiredLiteral(m_pattern)) {
    if (m_requiredLiteral.empty()) return;
    // The literal is read from the pattern's bytes: in UTF-8 text it still holds when it is
    // ASCII (a quantifier after a character beyond ASCII takes the whole character there)
    // and, without Match Case, has no letter that a character beyond ASCII folds to.
    m_literalHoldsInUtf =
        UnicodeCase::IsAscii(m_requiredLiteral) &&
        (m_matchCase || !UnicodeCase::HasLettersFoldedFromBeyondAscii(m_requiredLiteral));
    // The finder of a run without Match Case takes its needle in lower case.
    std::string needle = m_requiredLiteral;
    if (!m_matchCase) {
        for (char& c : needle) c = ToLowerAscii(c);
    }
    m_literal = std::make_unique<LiteralFinder>(needle, m_matchCase);
}

std::unique_ptr<RegexSearch> RegexSearch::Compile(std::string_view pattern, bool matchCase,
                                                  bool wholeWord, RegexError& error, bool unicode) {
    std::unique_ptr<RegexSearch> search(
        new RegexSearch(std::string(pattern), matchCase, wholeWord, unicode));
    // The line program is made first in any case: it checks the pattern (a (*UTF) in it is
    // refused), and it tells the replace string which groups there are.
    search->m_programs[0] = search->Make(LineBreakType::None, false, error);
    search->m_tried[0] = true;
    if (!search->m_programs[0]) return nullptr;
    if (unicode) {
        search->m_programs[kUtfPrograms] = search->Make(LineBreakType::None, true, error);
        search->m_tried[kUtfPrograms] = true;
        if (!search->m_programs[kUtfPrograms]) return nullptr;
    }
    return search;
}

std::unique_ptr<RegexProgram> RegexSearch::Make(LineBreakType type, bool utf,
                                                RegexError& error) const {
    RegexProgram::Switches switches;
    switches.unicode = utf;
    switches.caseless = !m_matchCase;
    switches.wholeWord = m_wholeWord;
    switches.multiline = type != LineBreakType::None;
    switches.newline = type == LineBreakType::Dos   ? RegexProgram::Newline::CrLf
                       : type == LineBreakType::Mac ? RegexProgram::Newline::Cr
                                                    : RegexProgram::Newline::Lf;
    return RegexProgram::Compile(m_pattern, switches, error);
}

RegexProgram* RegexSearch::ProgramFor(LineBreakType type, bool utf) {
    utf = utf && m_unicode;
    const std::size_t first = utf ? kUtfPrograms : 0;
    if (!m_spansLines || type == LineBreakType::None) return m_programs[first].get();
    const std::size_t index = first + 1 + static_cast<std::size_t>(type);
    if (!m_tried[index]) {
        m_tried[index] = true;
        RegexError ignored;
        m_programs[index] = Make(type, utf, ignored);
    }
    return m_programs[index].get();
}

}  // namespace kesto
