#include "settings/ExtensionLists.h"

#include <algorithm>

#include "settings/ListRow.h"
#include "text/AsciiCase.h"

namespace kesto {
namespace {

bool Holds(const std::vector<std::string>& list, std::string_view extension) {
    return std::any_of(list.begin(), list.end(), [&](const std::string& entry) {
        return EqualsIgnoringAsciiCase(entry, extension);
    });
}

void WriteList(const IniFile& file, SettingList which, const std::vector<std::string>& list,
               std::size_t earlierCount) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        WriteListEntry(file, which, static_cast<int>(i), list[i]);
    }
    for (std::size_t i = list.size(); i < earlierCount; ++i) {
        WriteListEntry(file, which, static_cast<int>(i), std::nullopt);
    }
}

}  // namespace

ExtensionLists::ExtensionLists(RunControl& control, UnknownExtensionAsker& asker)
    : m_control(control), m_asker(asker) {
}

bool ExtensionLists::IsFileEligible(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos) return true;
    std::string extension(fileName.substr(dot + 1));
    for (char& c : extension) {
        if (IsAsciiLower(c)) c = SwapCase(c);
    }
    if (extension == "EXE" || extension == "OBJ" || extension == "DLL") return false;
    if (Holds(alwaysSearchList, extension) || Holds(sessionSearchList, extension) ||
        Holds(overrideList, extension)) {
        return true;
    }
    if (addAllToAlwaysSearch) {
        alwaysSearchList.push_back(extension);
        listsChanged = true;
        return true;
    }
    if (addAllToSessionSearch) {
        sessionSearchList.push_back(extension);
        return true;
    }
    if (Holds(alwaysExcludeList, extension) || Holds(sessionExcludeList, extension)) return false;

    std::string base(fileName.substr(0, dot));
    for (char& c : base) {
        if (IsAsciiLower(c)) c = SwapCase(c);
    }
    return Apply(m_asker.AskAboutExtension(base, extension), extension);
}

bool ExtensionLists::Apply(ExtensionChoice choice, const std::string& extension) {
    switch (choice) {
    case ExtensionChoice::StopNow:
        m_control.RequestStop();
        return false;  // the file is not touched: the run is ending
    case ExtensionChoice::Abort:
        m_control.RequestAbort();
        return false;
    case ExtensionChoice::AlwaysSearch:
        alwaysSearchList.push_back(extension);
        listsChanged = true;
        break;
    case ExtensionChoice::AlwaysExclude:
        alwaysExcludeList.push_back(extension);
        listsChanged = true;
        break;
    case ExtensionChoice::SessionSearch:
        sessionSearchList.push_back(extension);
        break;
    case ExtensionChoice::SessionExclude:
        sessionExcludeList.push_back(extension);
        break;
    case ExtensionChoice::AllAlwaysSearch:
        alwaysSearchList.push_back(extension);
        listsChanged = true;
        addAllToAlwaysSearch = true;
        break;
    case ExtensionChoice::AllSessionSearch:
        sessionSearchList.push_back(extension);
        addAllToSessionSearch = true;
        break;
    }
    extensionChoice = static_cast<int>(choice);
    return choice != ExtensionChoice::AlwaysExclude && choice != ExtensionChoice::SessionExclude;
}

void ExtensionLists::SaveExtensionLists(const IniFile& file, std::size_t earlierIncludeCount,
                                        std::size_t earlierExcludeCount) {
    listsChanged = false;
    WriteList(file, SettingList::Excluded, alwaysExcludeList, earlierExcludeCount);
    WriteList(file, SettingList::Included, alwaysSearchList, earlierIncludeCount);
}

}  // namespace kesto
