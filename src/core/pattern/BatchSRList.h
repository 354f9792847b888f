// CBatchSR and CBatchSRList: the numbered search/replace pairs of a batch file, and the
// reader and writer of the ".sr" format.
//
// A batch file is text in which the pair n is found by its markers "#!S!#n#" and "#!R!#n#"
// anywhere in the file; the line after a marker starts the string. The writer puts
// exactly one CR LF between a string and the next marker, which the reader removes again,
// so multi-line strings survive a round trip. Both report failures in a message box and
// return 0.
//
// No string read ever holds marker text: a string ends at the next marker of any number, so
// a batch run cannot write markers into the files it changes.
#pragma once

#include <list>
#include <string>

#include "run/Prompter.h"

namespace kesto {

class CBatchSR {
public:
    int m_nIndex = -1;
    bool m_bAnchorEnd = false;
    bool m_bWildCards = false;
    bool m_bSpecialChars = false;
    bool m_bExcluded = false;
    std::string m_strSearch;
    std::string m_strReplace;
    // The working forms the batch session prepares once per run.
    std::string m_strSearchWork;
    std::string m_strReplaceWork;
};

class CBatchSRList {
public:
    static constexpr std::size_t kMaxFileSize = 8'388'608;
    static constexpr std::size_t kMaxFirstLine = 32000;
    static constexpr std::size_t kMaxStringLength = 63999;

    explicit CBatchSRList(Prompter& prompter) : m_prompter(prompter) {}

    void RemoveAllPairs() { m_pairs.clear(); }
    CBatchSR& AddNewPair();
    CBatchSR* FindPair(int index);
    bool DeletePair(const CBatchSR* pair);

    // Replaces the list by the pairs of the regular file at `path`; 1 on success. Refuses
    // (0, with a message) anything but a readable regular file, a malformed pair and a pair
    // whose search string is empty. Pairs numbered after a gap are not read: the result is
    // still 1, after a warning that names the missing number.
    int ReadBatchFile(const std::string& path);
    int WriteBatchFile(const std::string& path) const;

    std::list<CBatchSR>& pairs() { return m_pairs; }
    const std::list<CBatchSR>& pairs() const { return m_pairs; }
    std::size_t size() const { return m_pairs.size(); }

private:
    int Refuse(const std::string& message) const;

    Prompter& m_prompter;
    std::list<CBatchSR> m_pairs;
};

}  // namespace kesto
