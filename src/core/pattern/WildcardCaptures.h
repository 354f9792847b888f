// WildcardCaptures: what the wildcards of one match took, and which search wildcards carry
// into the replacement.
//
// One object serves a whole run. Each match attempt starts with ReleaseCaptures; the
// matcher appends what each ? and * took while it matches. PairWildcards runs once per
// file before the scan when the search pattern has more wildcards of a kind than the
// replace pattern; BuildReplacement then substitutes the captures into the replace pattern.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "pattern/CompiledPattern.h"

namespace kesto {

class WildcardCaptures {
public:
    // Star captures one match may hold; the next one stops the run.
    static constexpr std::size_t kMaxStarCaptures = 10;

    enum class StarCapture { Stored, TooMany, OutOfMemory };

    // Frees the star captures and empties both stores; the pairing stays.
    void ReleaseCaptures();

    void CaptureQuestion(char byte) { m_questions += byte; }
    // Stores a copy of what one star took.
    StarCapture CaptureStar(std::string_view taken);

    const std::string& questionCaptures() const { return m_questions; }
    const std::vector<std::string>& starCaptures() const { return m_stars; }

    // Forgets the pairing of a previous file: every search wildcard carries again.
    void ResetPairing();

    // Finds the partner of each wildcard of the replace pattern among the search pattern's
    // wildcards of the same kind, for each kind of which the search pattern has more. A
    // partner stands in the same surroundings: up to two characters before it (as many as
    // the search pattern has) and the one after it. Search wildcards passed over are marked
    // as not carried. Returns false when a replace wildcard finds no partner.
    bool PairWildcards(const CompiledPattern& search, const CompiledPattern& replace,
                       bool matchCase);

    // The replace pattern with each wildcard replaced by the capture of its partner. Stars
    // beyond the search pattern's repeat the text of the last star used.
    std::string BuildReplacement(const CompiledPattern& replace) const;

private:
    std::string m_questions;
    std::vector<std::string> m_stars;
    std::vector<bool> m_questionNotCarried;
    std::vector<bool> m_starNotCarried;
};

}  // namespace kesto
