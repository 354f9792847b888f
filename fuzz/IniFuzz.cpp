// The INI layer on a random settings file: reading never fails, and a value written is
// read back as written while the rest of the file keeps its lines.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "FuzzHosts.h"
#include "settings/IniFile.h"
#include "settings/ListRow.h"
#include "settings/SettingRow.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kesto;
    const std::string& path = fuzz::ScratchPath(".INI");
    fuzz::WriteScratch(path, data, size);
    const IniFile ini(path);
    const SettingRow& flag = RowOf(SettingKey::RetainBackUp);
    (void)ini.ReadString(flag.section, flag.name);
    const ListRow& strings = RowOf(SettingList::SearchStrings);
    (void)ini.ReadString(strings.section, strings.KeyAt(0));

    // A value of letters and inner blanks taken from the input, quoted like the lists.
    std::string value;
    for (size_t i = 0; i < size && value.size() < 64; ++i) {
        const char c = static_cast<char>(data[i]);
        if ((c >= 'a' && c <= 'z') || (c == ' ' && !value.empty())) value += c;
    }
    const std::string quoted = "\"" + value + "\"";
    if (!ini.WriteString("Fuzz Section", "FuzzKey", quoted)) return 0;
    const auto back = ini.ReadString("fuzz section", "FUZZKEY");
    if (!back || *back != value) std::abort();
    if (!ini.WriteString("Fuzz Section", "FuzzKey", std::nullopt)) std::abort();
    if (ini.ReadString("Fuzz Section", "FuzzKey")) std::abort();
    return 0;
}
