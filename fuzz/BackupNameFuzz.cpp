// Backup names of random paths: beside the original, never the original itself.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text/BackupName.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kesto;
    if (size < 2) return 0;
    static const char kAllowedChars[] = "~_-$!@#&+=";
    BackupNaming naming;
    naming.prependChar = data[0] & 1;
    naming.backupChar = kAllowedChars[data[0] % (sizeof kAllowedChars - 1)];
    naming.replaceExtension.clear();
    std::string path;
    for (size_t i = 1; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\0') continue;
        path += c;
        if (naming.replaceExtension.size() < 3 &&
            ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
            naming.replaceExtension += c;
        }
    }
    if (naming.replaceExtension.empty()) naming.replaceExtension = "BAK";

    const std::string backup = BackupName(path, naming);
    if (SamePathIgnoringCase(backup, path)) return 0;  // refused by the backup step
    if (backup == path) std::abort();
    if (DirectoryOf(backup) != DirectoryOf(path)) std::abort();
    if (FileNameOf(backup).find('/') != std::string_view::npos) std::abort();
    return 0;
}
