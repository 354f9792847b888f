#include "text/BackupName.h"

#include "text/AsciiCase.h"

namespace kesto {
namespace {

constexpr std::size_t kShortNameLimit = 60;
constexpr std::size_t kShortTailLimit = 54;

}  // namespace

std::string_view DirectoryOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return {};
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string_view FileNameOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string JoinPath(std::string_view directory, std::string_view name) {
    const bool separator = !directory.empty() && directory.back() != '/';
    // Made at its final size: grown piece by piece it would keep twice the room it needs,
    // in each of the million paths of a large tree's file list.
    std::string path;
    path.reserve(directory.size() + (separator ? 1 : 0) + name.size());
    path += directory;
    if (separator) path += '/';
    path += name;
    return path;
}

std::string BackupName(std::string_view path, const BackupNaming& naming) {
    const std::size_t nameStart =
        path.rfind('/') == std::string_view::npos ? 0 : path.rfind('/') + 1;
    const std::size_t dot = path.rfind('.');
    const bool hasExtension = dot != std::string_view::npos && dot >= nameStart;
    const std::string_view base = hasExtension ? path.substr(0, dot) : path;
    const std::string_view extension = hasExtension ? path.substr(dot + 1) : std::string_view();
    std::string backup(base);
    backup += '.';
    if (naming.prependChar) {
        backup += naming.backupChar;
        backup += extension;
    } else {
        backup += naming.replaceExtension;
    }
    return backup;
}

bool SamePathIgnoringCase(std::string_view a, std::string_view b) {
    return EqualsIgnoringAsciiCase(a, b);
}

std::string ShortDisplayName(std::string_view path) {
    if (path.size() <= kShortNameLimit) return std::string(path);
    for (std::size_t slash = path.find('/'); slash != std::string_view::npos;
         slash = path.find('/', slash + 1)) {
        if (path.size() - slash <= kShortTailLimit) return "/..." + std::string(path.substr(slash));
    }
    return std::string(FileNameOf(path));
}

}  // namespace kesto
