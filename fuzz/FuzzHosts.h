// Silent hosts for the fuzz targets: every question is answered Yes, every replacement made.
#pragma once

#include <unistd.h>

#include <fstream>
#include <string>
#include <string_view>

#include "pattern/ReplaceConfirmer.h"
#include "run/Prompter.h"

namespace kesto::fuzz {

class SilentHosts : public Prompter, public ReplaceConfirmer {
public:
    void ShowMessage(std::string_view, MessageIcon) override {}
    bool AskYesNo(std::string_view) override { return true; }
    ConfirmAnswer ConfirmReplace(const ConfirmRequest&) override {
        return {ConfirmChoice::GlobalReplace, {}};
    }
};

// A scratch file of this process, rewritten for every input.
inline const std::string& ScratchPath(const char* suffix) {
    static const std::string path =
        "/tmp/kesto-fuzz-" + std::to_string(::getpid()) + std::string(suffix);
    return path;
}

// A new file for every input: ext4 flushes a file truncated by its writer when it is
// closed, which would make each input cost a write to the disk.
inline void WriteScratch(const std::string& path, const uint8_t* data, size_t size) {
    ::unlink(path.c_str());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace kesto::fuzz
