#include "pattern/BatchSRList.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <unordered_map>
#include <utility>
#include <vector>

#include "text/TextFile.h"
#include "text/UniqueFd.h"
#include "text/WriteAll.h"

namespace kesto {
namespace {

std::string SearchMarker(int n) {
    return "#!S!#" + std::to_string(n) + "#";
}
std::string ReplaceMarker(int n) {
    return "#!R!#" + std::to_string(n) + "#";
}

bool IsLineBreakByte(char c) {
    return c == '\r' || c == '\n';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr std::size_t kMarkerPrefixLength = 5;  // "#!S!#" or "#!R!#"

// The text of the marker that starts at `at`, up to and including its closing '#'.
std::string_view MarkerText(std::string_view text, std::size_t at) {
    std::size_t end = at + kMarkerPrefixLength;
    while (IsDigit(text[end])) ++end;
    return text.substr(at, end + 1 - at);
}

// Where every marker of the text stands, found in one pass, so that looking up the marker
// of each next pair does not search the whole text again (a file of many pairs would take
// time quadratic in its size). Answers exactly what a plain substring search would.
//
// Besides the markers of pairs it knows every text that only looks like one ("#!S!#03#",
// "#!R!#0#"): no string may run across any of them, or the run would write marker lines
// into every file.
class MarkerIndex {
public:
    explicit MarkerIndex(std::string_view text) {
        Collect(text, "#!S!#", m_search);
        Collect(text, "#!R!#", m_replace);
        std::sort(m_all.begin(), m_all.end());
    }
    // The first search marker of pair n in the text.
    std::size_t Search(int n) const { return FirstAtOrAfter(m_search, n, 0); }
    // The first replace marker of pair n at or after `from`.
    std::size_t Replace(int n, std::size_t from) const {
        return FirstAtOrAfter(m_replace, n, from);
    }
    // The first marker of any number, or text like one, at or after `from`.
    std::size_t Next(std::size_t from) const {
        const auto at = std::lower_bound(m_all.begin(), m_all.end(), from);
        return at == m_all.end() ? std::string_view::npos : *at;
    }
    const std::vector<std::size_t>& all() const { return m_all; }

private:
    using Positions = std::unordered_map<int, std::vector<std::size_t>>;
    static constexpr std::size_t kMostDigits = 9;

    void Collect(std::string_view text, std::string_view prefix, Positions& positions) {
        for (std::size_t at = text.find(prefix); at != std::string_view::npos;
             at = text.find(prefix, at + 1)) {
            const std::size_t first = at + prefix.size();
            std::size_t end = first;
            while (end < text.size() && IsDigit(text[end])) ++end;
            if (end == first || end == text.size() || text[end] != '#') continue;
            m_all.push_back(at);
            // The markers of pairs are written with "%d": no leading zero.
            if (text[first] == '0' || end - first > kMostDigits) continue;
            int n = 0;
            for (std::size_t digit = first; digit < end; ++digit) n = n * 10 + (text[digit] - '0');
            positions[n].push_back(at);
        }
    }
    static std::size_t FirstAtOrAfter(const Positions& positions, int n, std::size_t from) {
        const auto found = positions.find(n);
        if (found == positions.end()) return std::string_view::npos;
        const auto at = std::lower_bound(found->second.begin(), found->second.end(), from);
        return at == found->second.end() ? std::string_view::npos : *at;
    }

    Positions m_search;
    Positions m_replace;
    std::vector<std::size_t> m_all;
};

// Whether every marker of the text stands on the line of a marker that was read (the rest
// of a marker's line is a comment); `readMarkers` holds where each read marker's line
// starts and ends, in any order.
bool EveryMarkerWasRead(const MarkerIndex& markers,
                        std::vector<std::pair<std::size_t, std::size_t>> readMarkers) {
    std::sort(readMarkers.begin(), readMarkers.end());
    for (const std::size_t at : markers.all()) {
        const auto after = std::upper_bound(readMarkers.begin(), readMarkers.end(),
                                            std::pair{at, std::string_view::npos});
        if (after == readMarkers.begin() || std::prev(after)->second < at) return false;
    }
    return true;
}

// The end (exclusive) of a string that runs from `begin` up to the marker at `marker`, less
// at most two line-break bytes before the marker; never before `begin`.
std::size_t StringEndBefore(std::string_view text, std::size_t begin, std::size_t marker) {
    std::size_t end = marker;
    for (int i = 0; i < 2 && end > begin && IsLineBreakByte(text[end - 1]); ++i) --end;
    return end;
}

}  // namespace

CBatchSR& CBatchSRList::AddNewPair() {
    return m_pairs.emplace_back();
}

CBatchSR* CBatchSRList::FindPair(int index) {
    for (CBatchSR& pair : m_pairs) {
        if (pair.m_nIndex == index) return &pair;
    }
    return nullptr;
}

bool CBatchSRList::DeletePair(const CBatchSR* pair) {
    for (auto it = m_pairs.begin(); it != m_pairs.end(); ++it) {
        if (&*it != pair) continue;
        for (auto behind = m_pairs.erase(it); behind != m_pairs.end(); ++behind) {
            --behind->m_nIndex;
        }
        return true;
    }
    return false;
}

int CBatchSRList::Refuse(const std::string& message) const {
    m_prompter.ShowMessage(message, MessageIcon::Stop);
    return 0;
}

int CBatchSRList::ReadBatchFile(const std::string& path) {
    // Without O_NONBLOCK, opening a FIFO would wait for a writer; anything but a regular file
    // is refused before a byte is read.
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (!file.valid() || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return Refuse("Couldn't Open batch file: " + path + "!");
    }
    const auto length = static_cast<std::size_t>(st.st_size);
    if (length == 0) return Refuse("Batch file " + path + " is Empty!");
    if (length > kMaxFileSize) {
        return Refuse("Max allowed Batch file size is " + std::to_string(kMaxFileSize) + "!");
    }
    TextBuffer buffer;
    switch (ReadWholeFile(file.get(), length, buffer)) {
    case ReadResult::Ok:
        break;
    case ReadResult::OutOfMemory:
        return Refuse("Failed to allocate memory to read " + path + "!");
    case ReadResult::Failed:
        return Refuse("Failed to read " + path + "!!");
    }
    file.Reset();

    // The text ends at the first NUL byte.
    std::string_view text = buffer.view();
    text = text.substr(0, std::min(text.size(), text.find('\0')));

    const std::size_t firstLineFeed = text.find('\n');
    if (firstLineFeed == std::string_view::npos) {
        return Refuse("Batch File does NOT contain carriage return-line feeds!\nMust abort read!");
    }
    if (firstLineFeed > kMaxFirstLine) {
        return Refuse("Batch File contains lines longer than " + std::to_string(kMaxFirstLine) +
                      " characters which is this application's max!\nMust abort read!");
    }

    RemoveAllPairs();
    const MarkerIndex markers(text);
    int n = 1;
    std::size_t searchMarkerAt = markers.Search(n);
    if (searchMarkerAt == std::string_view::npos) {
        return Refuse("Batch File does NOT contain search string identifier:\n(" + SearchMarker(n) +
                      ")!\nCan't continue!");
    }
    // Where each marker that was read stands, and where its line ends.
    std::vector<std::pair<std::size_t, std::size_t>> readMarkers;
    while (searchMarkerAt != std::string_view::npos) {
        const std::size_t searchLineEnd = text.find('\n', searchMarkerAt);
        if (searchLineEnd == std::string_view::npos) {
            return Refuse(
                "Batch File does NOT contain  new line following search string "
                "identifier:\n(" +
                SearchMarker(n) + ")!\nCan't continue!");
        }
        const std::size_t searchBegin = searchLineEnd + 1;
        const std::size_t replaceMarkerAt = markers.Replace(n, searchBegin);
        if (replaceMarkerAt == std::string_view::npos) {
            return Refuse("Batch File does NOT contain matching replace string identifier:\n(" +
                          ReplaceMarker(n) + ")!\nCan't continue!");
        }
        if (const std::size_t other = markers.Next(searchBegin); other < replaceMarkerAt) {
            return Refuse("Batch File does NOT contain matching replace string identifier:\n(" +
                          ReplaceMarker(n) + ") before (" + std::string(MarkerText(text, other)) +
                          ")!\nCan't continue!");
        }
        // A replace marker right on the line after the search marker gives an empty string,
        // which would match at every position of every file.
        const std::size_t searchEnd = StringEndBefore(text, searchBegin, replaceMarkerAt);
        if (searchEnd == searchBegin) {
            return Refuse("Batch File pair " + std::to_string(n) +
                          " has an empty search string!\nYou must specify a Search String!");
        }
        CBatchSR& pair = AddNewPair();
        pair.m_nIndex = n - 1;
        pair.m_strSearch.assign(text.substr(searchBegin, searchEnd - searchBegin));

        // A replace marker on the file's last line, without a line feed, gives an empty string.
        const std::size_t replaceLineEnd = text.find('\n', replaceMarkerAt);
        const std::size_t replaceBegin =
            replaceLineEnd == std::string_view::npos ? text.size() : replaceLineEnd + 1;
        // The replace string ends at the next marker of any number, not only at the one of
        // the next pair: after a gap in the numbers it would take the later pairs with it.
        const std::size_t nextMarkerAt = markers.Next(replaceBegin);
        const std::size_t replaceEnd = nextMarkerAt == std::string_view::npos
                                           ? text.size()
                                           : StringEndBefore(text, replaceBegin, nextMarkerAt);
        pair.m_strReplace.assign(text.substr(replaceBegin, replaceEnd - replaceBegin));
        if (pair.m_strSearch.size() > kMaxStringLength ||
            pair.m_strReplace.size() > kMaxStringLength) {
            return Refuse("Batch File pair " + std::to_string(n) + " holds a string longer than " +
                          std::to_string(kMaxStringLength) + " characters!\nCan't continue!");
        }
        readMarkers.emplace_back(searchMarkerAt, searchLineEnd);
        readMarkers.emplace_back(replaceMarkerAt, std::min(replaceLineEnd, text.size()));
        ++n;
        searchMarkerAt = markers.Search(n);
    }
    // Reading ends at the first missing number, as the format has it; the pairs behind a
    // gap would be lost without a word.
    if (!EveryMarkerWasRead(markers, std::move(readMarkers))) {
        const std::string read = n == 2 ? "Only pair 1 was read"
                                        : "Only pairs 1 to " + std::to_string(n - 1) + " were read";
        m_prompter.ShowMessage("Batch File does NOT contain search string identifier:\n(" +
                                   SearchMarker(n) + ")!\n" + read + ", the others are ignored!",
                               MessageIcon::Warning);
    }
    return 1;
}

int CBatchSRList::WriteBatchFile(const std::string& path) const {
    UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!file.valid()) return Refuse("Couldn't Open Batch file: " + path + " to write it!");
    std::string bytes;
    int k = 0;
    for (const CBatchSR& pair : m_pairs) {
        ++k;
        if (k > 1) bytes += "\r\n";
        bytes += SearchMarker(k) + "\r\n";
        bytes += pair.m_strSearch;
        bytes += "\r\n" + ReplaceMarker(k) + "\r\n";
        bytes += pair.m_strReplace;
    }
    if (!WriteAll(file.get(), bytes) || !file.Close()) {
        return Refuse("An error occurred while writing information to " + path + " file: ");
    }
    return 1;
}

}  // namespace kesto
