// Random ignore files in a scratch walk, asked about random paths: no crash, and the same
// answer each time a path is asked about.
//
// The input is cut at its NUL bytes: the root's .gitignore, then sub/.ignore, then the
// paths to ask about, one a line (a trailing '/' asks about a folder).
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "walk/IgnoreRules.h"

namespace {

namespace fs = std::filesystem;

const std::string& Root() {
    static const std::string root = "/tmp/kesto-fuzz-ignore-" + std::to_string(::getpid());
    return root;
}

void Write(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string_view> Split(std::string_view text, char at) {
    std::vector<std::string_view> parts;
    for (std::size_t next; (next = text.find(at)) != std::string_view::npos;) {
        parts.push_back(text.substr(0, next));
        text.remove_prefix(next + 1);
    }
    parts.push_back(text);
    return parts;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fs::create_directories(Root() + "/sub");
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(Root(), ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string_view> parts =
        Split(std::string_view(reinterpret_cast<const char*>(data), size), '\0');
    Write(Root() + "/.gitignore", parts[0]);
    Write(Root() + "/sub/.ignore", parts.size() > 1 ? parts[1] : "");
    kesto::IgnoreRules rules(Root());
    rules.LoadRoot();
    rules.EnterFolder("sub");
    for (std::string_view path : Split(parts.size() > 2 ? parts[2] : "", '\n')) {
        const bool folder = path.ends_with('/');
        while (path.ends_with('/')) path.remove_suffix(1);
        if (path.empty() || path.starts_with('/') || path.starts_with("./")) continue;
        const bool first = rules.IsIgnored(path, folder);
        if (rules.IsIgnored(path, folder) != first) std::abort();
    }
    return 0;
}
