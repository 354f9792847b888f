// Regular expressions from random patterns over random texts, in each line-break
// convention. Input: one byte of switches, then the pattern, a NUL, the replace string, a
// NUL, and the text.
//
// What must hold whenever the pattern compiles:
// - replacing each match by itself ("$0") writes the text back byte for byte, or writes
//   nothing when there was no match;
// - the scan, which passes over lines without the pattern's required literal, finds a match
//   on exactly the lines where the expression itself finds one;
// - a text without the required literal holds no match at all;
// - FindsAny says whether the scan finds a match.
// The input's own replace string, and answers to Confirm each Replace (edits included), are
// run too, for the sanitizers.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "FuzzHosts.h"
#include "passes/RegexScan.h"
#include "regex/RegexPair.h"
#include "text/AsciiCase.h"
#include "text/TextFile.h"

namespace {

using namespace kesto;

class QuietObserver : public ScanObserver {
public:
    void OnProgress(int) override {}
    void OnChangedLine(int, const std::string&, const std::string&) override {}
};

// Answers Confirm each Replace from a byte string, one byte an answer, and stops the run
// when the bytes run out: an edit could otherwise keep a line busy for ever.
class ScriptedConfirmer : public ReplaceConfirmer {
public:
    explicit ScriptedConfirmer(std::string_view script) : m_script(script) {}
    ConfirmAnswer ConfirmReplace(const ConfirmRequest& request) override {
        if (m_next >= m_script.size()) return {ConfirmChoice::StopNow, {}};
        const auto byte = static_cast<unsigned char>(m_script[m_next++]);
        switch (byte % 6) {
        case 0:
            return {ConfirmChoice::ReplaceIt, {}};
        case 1:
            return {ConfirmChoice::SkipIt, {}};
        case 2:
            return {ConfirmChoice::ReplaceAllThisFile, {}};
        case 3:
            return {ConfirmChoice::SkipRestOfFile, {}};
        default: {
            // An edit: the line with bytes taken out or put in around the match.
            std::string edited(request.line);
            const std::size_t at = std::min(edited.size(), request.matchStart + byte % 3);
            if (byte & 8) {
                edited.erase(at, byte % 5);
            } else {
                edited.insert(at, std::string(1 + byte % 4, static_cast<char>(byte >> 1)));
            }
            return {ConfirmChoice::ReplaceIt, std::move(edited)};
        }
        }
    }

private:
    std::string_view m_script;
    std::size_t m_next = 0;
};

struct Scanned {
    ScanResult result = ScanResult::Completed;
    ScanCounters counters;
    std::string written;
};

Scanned Scan(std::string_view text, LineBreakType type, RegexPair& pair, bool firstOnly,
             bool preserveCase, ReplaceConfirmer* confirmer) {
    fuzz::SilentHosts hosts;
    RunPlan options;
    options.regularExpression = true;
    options.firstInstanceOnly = firstOnly;
    options.allInstancesInLine = !firstOnly;
    options.preserveCase = preserveCase;
    options.confirmEachReplace = confirmer != nullptr;
    options.globalReplace = confirmer == nullptr;
    RunControl control;
    control.StartRun(options.confirmEachReplace, options.globalReplace);
    LineMatcher asker(options, control, hosts, confirmer ? *confirmer : hosts);
    QuietObserver observer;
    Scanned scanned;
    StringSink sink(scanned.written);
    RegexScan scan(text, type, pair, "fuzz", options, control, asker, sink, observer,
                   scanned.counters);
    scanned.result = scan.Run();
    return scanned;
}

// The lines of a text as the scan cuts them, each without its line break.
template <typename Visit>
void ForEachLine(std::string_view text, LineBreakType type, Visit visit) {
    const char end = LineBreakChar(type);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t stop = text.find(end, start);
        const std::size_t next = stop == std::string_view::npos ? text.size() : stop + 1;
        if (stop == std::string_view::npos) stop = text.size();
        std::size_t contentEnd = stop;
        if (type == LineBreakType::Dos && stop < text.size() && stop > start &&
            text[stop - 1] == '\r') {
            --contentEnd;
        }
        visit(text.substr(start, contentEnd - start));
        start = next;
    }
}

bool Contains(std::string_view text, std::string_view literal, bool matchCase) {
    if (matchCase) return text.find(literal) != std::string_view::npos;
    std::string lowerText(text);
    std::string lowerLiteral(literal);
    for (char& c : lowerText) c = ToLowerAscii(c);
    for (char& c : lowerLiteral) c = ToLowerAscii(c);
    return lowerText.find(lowerLiteral) != std::string::npos;
}

void CheckIdentity(std::string_view text, LineBreakType type, RegexPair& identity, bool firstOnly,
                   bool preserveCase) {
    const Scanned scanned = Scan(text, type, identity, firstOnly, preserveCase, nullptr);
    if (scanned.result != ScanResult::Completed) return;

    const bool any = scanned.counters.match.possible > 0;
    if (!any && !scanned.written.empty()) std::abort();
    // The text comes back as it was, whatever bytes it holds, with one exception: matched
    // line by line, a rewritten line gets the file's line break, so in a DOS file a line
    // that ends in a lone LF comes back with CR LF. In a UNIX or Mac file a line's break is
    // the one byte it was cut at; a pattern that spans lines writes each unit as its
    // matches leave it, line breaks included.
    bool loneLf = false;
    for (std::size_t at = text.find('\n'); at != std::string_view::npos;
         at = text.find('\n', at + 1)) {
        if (at == 0 || text[at - 1] != '\r') loneLf = true;
    }
    const bool exact = identity.search().spansLines() || type != LineBreakType::Dos || !loneLf;
    // Preserve Case gives "$0" the shape it already has: still the same bytes.
    if (any && exact && scanned.written != text) std::abort();

    if (RegexScan::FindsAny(text, type, identity) != any) std::abort();

    if (identity.search().spansLines()) return;
    // The expression on every line, without the literal's help.
    RegexProgram* program = identity.search().ProgramFor(LineBreakType::None);
    int linesWithMatch = 0;
    bool decided = true;
    ForEachLine(text, type, [&](std::string_view line) {
        RegexSpan match;
        const RegexProgram::Outcome found = program->Find(line, 0, false, match);
        if (found == RegexProgram::Outcome::TooComplex) decided = false;
        if (found == RegexProgram::Outcome::Match) ++linesWithMatch;
    });
    if (decided && linesWithMatch != scanned.counters.match.linesWithMatch) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 4096) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t firstNul = input.find('\0');
    if (firstNul == std::string_view::npos) return 0;
    const std::size_t secondNul = input.find('\0', firstNul + 1);
    if (secondNul == std::string_view::npos) return 0;
    const std::string_view pattern = input.substr(0, firstNul);
    const std::string_view replace = input.substr(firstNul + 1, secondNul - firstNul - 1);
    const std::string_view text = input.substr(secondNul + 1);

    const uint8_t switches = data[0];
    const bool matchCase = switches & 1;
    const bool wholeWord = switches & 2;
    const bool firstOnly = switches & 4;
    const bool preserveCase = switches & 8;

    RegexPair::Refusal refusal;
    const auto identity = RegexPair::Compile(pattern, "$0", matchCase, wholeWord, refusal);
    if (!identity) return 0;
    (void)RegexPair::Describe(refusal);

    // Every match the expression can find holds the required literal.
    const std::string& literal = identity->search().requiredLiteral();
    if (!literal.empty() && !Contains(text, literal, matchCase)) {
        RegexSpan match;
        RegexProgram* program = identity->search().ProgramFor(LineBreakType::None);
        if (program->Find(text, 0, false, match) == RegexProgram::Outcome::Match) std::abort();
    }

    for (const LineBreakType type : {LineBreakType::Dos, LineBreakType::Unix, LineBreakType::Mac}) {
        CheckIdentity(text, type, *identity, firstOnly, preserveCase);
    }

    const auto pair = RegexPair::Compile(pattern, replace, matchCase, wholeWord, refusal);
    if (!pair) {
        (void)RegexPair::Describe(refusal);
        return 0;
    }
    const LineBreakType type = DetectLineBreakType(text) == LineBreakType::None
                                   ? LineBreakType::Unix
                                   : DetectLineBreakType(text);
    (void)Scan(text, type, *pair, firstOnly, preserveCase, nullptr);
    // The answers come from the replace string's bytes, so they vary with the input.
    ScriptedConfirmer confirmer(replace.substr(0, 64));
    (void)Scan(text, type, *pair, firstOnly, preserveCase, &confirmer);
    return 0;
}
