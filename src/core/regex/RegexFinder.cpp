#include "regex/RegexFinder.h"

#include <algorithm>
#include <cstring>

#include "text/UnicodeCase.h"

namespace kesto {
namespace {

std::size_t FindByte(std::string_view text, char byte, std::size_t from) {
    if (from >= text.size()) return text.size();
    const void* hit =
        std::memchr(text.data() + from, static_cast<unsigned char>(byte), text.size() - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data())
               : text.size();
}

}  // namespace

RegexFinder::RegexFinder(RegexSearch& search, LineBreakType type, bool utf)
    : m_search(search),
      m_utf(utf && search.unicode()),
      m_program(search.ProgramFor(type, m_utf)),
      m_literal(search.literalFinder(m_utf)),
      m_type(type),
      m_lineBreakChar(LineBreakChar(type)) {
}

bool RegexFinder::RuledOut(std::string_view text) const {
    return m_literal && m_literal->Find(text, 0, text.size()) == LiteralFinder::kNone;
}

RegexFinder::Line RegexFinder::LineAround(std::string_view text, std::size_t offset,
                                          std::size_t floor) const {
    Line line;
    line.start = floor;
    if (offset > floor) {
        const void* hit = ::memrchr(text.data() + floor,
                                    static_cast<unsigned char>(m_lineBreakChar), offset - floor);
        if (hit)
            line.start = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) + 1;
    }
    const std::size_t lineEnd = FindByte(text, m_lineBreakChar, std::max(offset, line.start));
    line.contentEnd = lineEnd;
    if (m_type == LineBreakType::Dos && lineEnd < text.size() && lineEnd > line.start &&
        text[lineEnd - 1] == '\r') {
        --line.contentEnd;
    }
    line.next = lineEnd < text.size() ? lineEnd + 1 : lineEnd;
    return line;
}

std::size_t RegexFinder::UnitEndAfter(std::string_view text, const RegexSpan& match) const {
    if (!match.empty() && text[match.end - 1] == m_lineBreakChar) return match.end;
    const std::size_t lineEnd = FindByte(text, m_lineBreakChar, match.end);
    return lineEnd < text.size() ? lineEnd + 1 : lineEnd;
}

RegexProgram::Outcome RegexFinder::FindLine(std::string_view text, std::size_t from, Line& line,
                                            RegexSpan& match) {
    const LiteralFinder* literal = m_literal;
    std::size_t pos = from;
    while (pos < text.size()) {
        std::size_t at = pos;
        if (literal) {
            at = literal->Find(text, pos, text.size());
            if (at == LiteralFinder::kNone) return RegexProgram::Outcome::NoMatch;
        }
        line = LineAround(text, at, pos);
        const std::string_view subject = text.substr(line.start, line.contentEnd - line.start);
        const RegexProgram::Outcome found = m_program->Find(subject, 0, false, match);
        if (found != RegexProgram::Outcome::NoMatch) return found;
        pos = line.next;
    }
    return RegexProgram::Outcome::NoMatch;
}

RegexProgram::Outcome RegexFinder::FindNext(std::string_view subject, std::size_t from,
                                            bool afterEmpty, RegexSpan& match) {
    if (afterEmpty) {
        const RegexProgram::Outcome here = m_program->Find(subject, from, true, match);
        if (here != RegexProgram::Outcome::NoMatch) return here;
        if (from >= subject.size()) return RegexProgram::Outcome::NoMatch;
        // A CR LF is one line break where the file's line break is CR LF.
        const bool crlf = m_type == LineBreakType::Dos && m_search.spansLines() &&
                          subject[from] == '\r' && from + 1 < subject.size() &&
                          subject[from + 1] == '\n';
        // The next character: in UTF-8 text, all of its bytes.
        const std::size_t character =
            m_utf ? std::max<std::size_t>(1, UnicodeCase::Decode(subject, from).length) : 1;
        from += crlf ? 2 : character;
    }
    return m_program->Find(subject, from, false, match);
}

}  // namespace kesto
