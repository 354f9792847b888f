// RegexPair: the search and replace strings of a regular-expression run (or of one pair of
// a batch), compiled once for the whole run.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "regex/RegexReplacement.h"
#include "regex/RegexSearch.h"

namespace kesto {

class RegexPair {
public:
    struct Refusal {
        RegexError error;
        bool inReplace = false;  // the replace string, not the pattern, was refused
    };

    // None, with `refusal` set, when the pattern does not compile or the replace string
    // refers to a group the pattern does not have. `unicode`: see RegexSearch::Compile.
    static std::unique_ptr<RegexPair> Compile(std::string_view search, std::string_view replace,
                                              bool matchCase, bool wholeWord, Refusal& refusal,
                                              bool unicode = false);

    RegexSearch& search() { return *m_search; }
    const RegexReplacement& replacement() const { return m_replacement; }

    // The refusal as the user reads it.
    static std::string Describe(const Refusal& refusal);

private:
    RegexPair(std::unique_ptr<RegexSearch> search, RegexReplacement replacement)
        : m_search(std::move(search)), m_replacement(std::move(replacement)) {}

    std::unique_ptr<RegexSearch> m_search;
    RegexReplacement m_replacement;
};

}  // namespace kesto
