// The batch file reader on random bytes: no string it reads holds marker text or is an
// empty search string. And a round trip: a list built from the input (strings without NUL
// or marker text) is written and read back identical, or refused when a search string is
// empty.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzHosts.h"
#include "pattern/BatchSRList.h"

namespace {

// "#!S!#" or "#!R!#", one or more digits and '#', anywhere in the string (so also at the
// start of any of its lines). Looser than the reader's markers of pairs on purpose: a
// leading zero or a number too large for a pair must not slip into a string either.
bool HoldsMarkerText(std::string_view s) {
    for (std::size_t at = s.find("#!"); at != std::string_view::npos; at = s.find("#!", at + 1)) {
        if (s.size() - at < 5 || (s[at + 2] != 'S' && s[at + 2] != 'R') || s[at + 3] != '!' ||
            s[at + 4] != '#') {
            continue;
        }
        std::size_t end = at + 5;
        while (end < s.size() && s[end] >= '0' && s[end] <= '9') ++end;
        if (end > at + 5 && end < s.size() && s[end] == '#') return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kesto;
    fuzz::SilentHosts hosts;
    const std::string& path = fuzz::ScratchPath(".sr");
    fuzz::WriteScratch(path, data, size);
    CBatchSRList read(hosts);
    read.ReadBatchFile(path);
    for (const CBatchSR& pair : read.pairs()) {
        if (pair.m_strSearch.empty() || HoldsMarkerText(pair.m_strSearch) ||
            HoldsMarkerText(pair.m_strReplace)) {
            std::abort();
        }
    }

    std::vector<std::string> strings(1);
    for (size_t i = 0; i < size && strings.size() <= 40; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\x01') {
            strings.emplace_back();
        } else if (c != '\0' && c != '#') {
            strings.back() += c;
        }
    }
    if (strings.size() % 2) strings.emplace_back();
    CBatchSRList written(hosts);
    bool emptySearch = false;
    for (size_t i = 0; i < strings.size(); i += 2) {
        CBatchSR& pair = written.AddNewPair();
        pair.m_nIndex = static_cast<int>(i / 2);
        pair.m_strSearch = strings[i];
        pair.m_strReplace = strings[i + 1];
        emptySearch = emptySearch || strings[i].empty();
    }
    ::unlink(path.c_str());
    if (!written.WriteBatchFile(path)) std::abort();
    CBatchSRList back(hosts);
    const int result = back.ReadBatchFile(path);
    if (emptySearch) {
        if (result != 0) std::abort();
        return 0;
    }
    if (result != 1 || back.size() != written.size()) std::abort();
    auto a = written.pairs().begin();
    for (const CBatchSR& pair : back.pairs()) {
        if (pair.m_strSearch != a->m_strSearch || pair.m_strReplace != a->m_strReplace)
            std::abort();
        ++a;
    }
    return 0;
}
