#include "regex/RegexSearch.h"

#include "regex/RequiredLiteral.h"
#include "text/AsciiCase.h"

namespace kesto {

RegexSearch::RegexSearch(std::string pattern, bool matchCase, bool wholeWord)
    : m_pattern(std::move(pattern)),
      m_matchCase(matchCase),
      m_wholeWord(wholeWord),
      m_spansLines(NamesLineBreak(m_pattern)),
      m_requiredLiteral(RequiredLiteral(m_pattern)) {
    if (m_requiredLiteral.empty()) return;
    // The finder of a run without Match Case takes its needle in lower case.
    std::string needle = m_requiredLiteral;
    if (!m_matchCase) {
        for (char& c : needle) c = ToLowerAscii(c);
    }
    m_literal = std::make_unique<LiteralFinder>(needle, m_matchCase);
}

std::unique_ptr<RegexSearch> RegexSearch::Compile(std::string_view pattern, bool matchCase,
                                                  bool wholeWord, RegexError& error) {
    std::unique_ptr<RegexSearch> search(
        new RegexSearch(std::string(pattern), matchCase, wholeWord));
    // The line program is made first in any case: it checks the pattern, and it tells the
    // replace string which groups there are.
    search->m_programs[0] = search->Make(LineBreakType::None, error);
    search->m_tried[0] = true;
    if (!search->m_programs[0]) return nullptr;
    return search;
}

std::unique_ptr<RegexProgram> RegexSearch::Make(LineBreakType type, RegexError& error) const {
    RegexProgram::Switches switches;
    switches.caseless = !m_matchCase;
    switches.wholeWord = m_wholeWord;
    switches.multiline = type != LineBreakType::None;
    switches.newline = type == LineBreakType::Dos   ? RegexProgram::Newline::CrLf
                       : type == LineBreakType::Mac ? RegexProgram::Newline::Cr
                                                    : RegexProgram::Newline::Lf;
    return RegexProgram::Compile(m_pattern, switches, error);
}

RegexProgram* RegexSearch::ProgramFor(LineBreakType type) {
    if (!m_spansLines || type == LineBreakType::None) return m_programs[0].get();
    const auto index = 1 + static_cast<std::size_t>(type);
    if (!m_tried[index]) {
        m_tried[index] = true;
        RegexError ignored;
        m_programs[index] = Make(type, ignored);
    }
    return m_programs[index].get();
}

}  // namespace kesto
