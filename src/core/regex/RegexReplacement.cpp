#include "regex/RegexReplacement.h"

namespace kesto {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsName(std::string_view text) {
    if (text.empty() || !IsNameStart(text[0])) return false;
    for (const char c : text) {
        if (!IsNameStart(c) && !IsDigit(c)) return false;
    }
    return true;
}

bool IsNumber(std::string_view text) {
    if (text.empty() || text.size() > 2) return false;
    for (const char c : text) {
        if (!IsDigit(c)) return false;
    }
    return true;
}

}  // namespace

void RegexReplacement::AddText(std::string_view text) {
    if (m_pieces.empty() || m_pieces.back().group >= 0) m_pieces.push_back({});
    m_pieces.back().text += text;
}

void RegexReplacement::AddGroup(int number) {
    m_pieces.push_back({{}, number});
    m_refersToGroups = true;
}

bool RegexReplacement::Parse(std::string_view replace, const RegexProgram& program,
                             RegexError& error) {
    m_pieces.clear();
    m_refersToGroups = false;
    const auto refuse = [&](std::string message, std::size_t offset) {
        error = {std::move(message), offset};
        return false;
    };
    for (std::size_t i = 0; i < replace.size(); ++i) {
        const char next = i + 1 < replace.size() ? replace[i + 1] : '\0';
        if (replace[i] != '$' || (next != '$' && next != '{' && !IsDigit(next))) {
            AddText(replace.substr(i, 1));
            continue;
        }
        if (next == '$') {
            AddText("$");
            ++i;
            continue;
        }
        std::string_view reference;
        std::size_t end = 0;  // the last byte of the reference
        if (next == '{') {
            const std::size_t close = replace.find('}', i + 2);
            if (close == std::string_view::npos) {
                AddText("$");
                continue;
            }
            reference = replace.substr(i + 2, close - i - 2);
            end = close;
            if (!IsNumber(reference) && !IsName(reference)) {
                return refuse("${" + std::string(reference) + "} names no group", i);
            }
        } else {
            const std::size_t digits = i + 2 < replace.size() && IsDigit(replace[i + 2]) ? 2 : 1;
            reference = replace.substr(i + 1, digits);
            end = i + digits;
        }
        int number = 0;
        if (IsNumber(reference)) {
            number = std::stoi(std::string(reference));
            if (number > program.captureCount()) {
                return refuse("there is no group " + std::to_string(number) + " (the pattern has " +
                                  std::to_string(program.captureCount()) + ")",
                              i);
            }
        } else {
            number = program.GroupNumber(reference);
            if (number < 0) return refuse("there is no group named " + std::string(reference), i);
        }
        AddGroup(number);
        i = end;
    }
    return true;
}

void RegexReplacement::Expand(const RegexProgram& program, std::string_view subject,
                              std::string& out) const {
    for (const Piece& piece : m_pieces) {
        if (piece.group < 0) {
            out += piece.text;
            continue;
        }
        RegexSpan span;
        if (program.Group(piece.group, span))
            out += subject.substr(span.start, span.end - span.start);
    }
}

}  // namespace kesto
