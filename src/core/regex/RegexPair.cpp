#include "regex/RegexPair.h"

namespace kesto {

std::unique_ptr<RegexPair> RegexPair::Compile(std::string_view search, std::string_view replace,
                                              bool matchCase, bool wholeWord, Refusal& refusal,
                                              bool unicode) {
    refusal = {};
    std::unique_ptr<RegexSearch> compiled =
        RegexSearch::Compile(search, matchCase, wholeWord, refusal.error, unicode);
    if (!compiled) return nullptr;
    RegexReplacement replacement;
    if (!replacement.Parse(replace, compiled->lineProgram(), refusal.error)) {
        refusal.inReplace = true;
        return nullptr;
    }
    return std::unique_ptr<RegexPair>(new RegexPair(std::move(compiled), std::move(replacement)));
}

std::string RegexPair::Describe(const Refusal& refusal) {
    return std::string(refusal.inReplace ? "Error in the replace string"
                                         : "Error in the regular expression") +
           " at offset " + std::to_string(refusal.error.offset) + ": " + refusal.error.message;
}

}  // namespace kesto
