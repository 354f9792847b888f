#include "pattern/PatternPreparation.h"

#include "pattern/PatternSyntax.h"
#include "text/AsciiCase.h"

namespace kesto {
namespace {

// Each $ not preceded by a backslash becomes the line break; \$ becomes a plain $.
// Returns whether any line break was put in.
bool TranslateLineEnds(std::string& text, std::string_view lineBreak) {
    std::string out;
    out.reserve(text.size() + 8);
    bool translated = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '$') {
            out += c;
        } else if (i > 0 && text[i - 1] == '\\') {
            out.back() = '$';
        } else {
            out += lineBreak;
            translated = true;
        }
    }
    text.swap(out);
    return translated;
}

void LowercaseAscii(std::string& text) {
    for (char& c : text) c = ToLowerAscii(c);
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

PatternLayout PreparePatterns(const RunPlan& options, LineBreakType type, std::string& search,
                              std::string& replace) {
    PatternLayout layout;
    layout.lineBreakType = type;
    layout.lineBreakChar = LineBreakChar(type);
    layout.lineBreakLength = type == LineBreakType::Dos ? 2 : 1;
    const std::string_view lineBreak = LineBreakBytes(type);

    if (!options.batchMode) {
        search = options.searchString;
        replace = options.replaceString;
        layout.anchorLineStart = options.anchorLineStart;
    } else {
        layout.anchorLineStart = !search.empty() && search.front() == '^';
    }

    const bool translateSearch = options.anchorLineEnd || options.batchMode;
    bool padWholeWord = false;
    if (layout.anchorLineStart) {
        if (!search.empty()) search.erase(0, 1);
    } else if (!translateSearch && options.matchWholeWord) {
        padWholeWord = true;
    }
    if (translateSearch && TranslateLineEnds(search, lineBreak)) {
        layout.lineBreakTranslated = true;
    }
    if (padWholeWord) search = ' ' + search + ' ';

    if (!options.matchCase) LowercaseAscii(search);
    layout.endsAtLineEnd = EndsWith(search, lineBreak);

    if ((options.lineBreakInReplace || options.batchMode) &&
        TranslateLineEnds(replace, lineBreak)) {
        layout.lineBreakTranslated = true;
    }
    if (padWholeWord) replace = ' ' + replace + ' ';

    layout.spansLines = search.find(layout.lineBreakChar) != std::string::npos ||
                        replace.find(layout.lineBreakChar) != std::string::npos;
    return layout;
}

CompiledPatterns CompilePatterns(const RunPlan& options, LineBreakType type, std::string search,
                                 std::string replace, bool pairWildcards) {
    CompiledPatterns compiled;
    compiled.layout = PreparePatterns(options, type, search, replace);
    // A batch pair's working strings were reduced once when the pair was prepared.
    if (options.specialCharSession && !options.batchMode) {
        ReduceDoubledBackslashes(search);
        ReduceDoubledBackslashes(replace);
    }
    if (options.batchMode ? pairWildcards : options.wildcardSession) {
        MarkWildcards(search, compiled.search);
        MarkWildcards(replace, compiled.replace);
    } else {
        compiled.search = CompiledPattern::FromLiteral(search);
        compiled.replace = CompiledPattern::FromLiteral(replace);
    }
    return compiled;
}

}  // namespace kesto
