// The batch file reader on random bytes, and a round trip: a list built from the input
// (strings without NUL or marker text) is written and read back identical.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzHosts.h"
#include "batch/BatchSRList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kesto;
    fuzz::SilentHosts hosts;
    const std::string& path = fuzz::ScratchPath(".sr");

    fuzz::WriteScratch(path, data, size);
    CBatchSRList read(hosts);
    read.ReadBatchFile(path);

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
    for (size_t i = 0; i < strings.size(); i += 2) {
        CBatchSR& pair = written.AddNewPair();
        pair.m_nIndex = static_cast<int>(i / 2);
        pair.m_strSearch = strings[i];
        pair.m_strReplace = strings[i + 1];
    }
    if (!written.WriteBatchFile(path)) std::abort();
    CBatchSRList back(hosts);
    if (back.ReadBatchFile(path) != 1 || back.size() != written.size()) std::abort();
    auto a = written.pairs().begin();
    for (const CBatchSR& pair : back.pairs()) {
        if (pair.m_strSearch != a->m_strSearch || pair.m_strReplace != a->m_strReplace)
            std::abort();
        ++a;
    }
    return 0;
}
