// ExtensionLists: which files of a run are searched, by their extension.
//
// The always lists are stored in the settings; the session lists, the override list and
// the two add-all flags live as long as the window. An extension in no list is asked
// about through UnknownExtensionAsker, whose answer may add it to a list or stop or abort
// the run.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "run/RunControl.h"
#include "settings/FileEligibility.h"
#include "settings/IniFile.h"

namespace kesto {

// The answers of the unknown-extension question: the six choices of Continue, in order,
// then Stop Now and Abort.
enum class ExtensionChoice {
    AlwaysSearch = 0,
    AlwaysExclude = 1,
    SessionSearch = 2,
    SessionExclude = 3,
    AllAlwaysSearch = 4,
    AllSessionSearch = 5,
    StopNow,
    Abort,
};

class UnknownExtensionAsker {
public:
    virtual ~UnknownExtensionAsker() = default;
    // `base` is the file name before its last dot, `extension` the rest, upper case.
    virtual ExtensionChoice AskAboutExtension(std::string_view base,
                                              std::string_view extension) = 0;
};

class ExtensionLists : public FileEligibility {
public:
    ExtensionLists(RunControl& control, UnknownExtensionAsker& asker);

    bool IsFileEligible(std::string_view fileName) override;

    // Writes both always lists as Exclude0.. and Include0.., and deletes the stored entries
    // between the new sizes and the sizes the lists had before.
    void SaveExtensionLists(const IniFile& file, std::size_t earlierIncludeCount,
                            std::size_t earlierExcludeCount);

    std::vector<std::string> alwaysSearchList;
    std::vector<std::string> alwaysExcludeList;
    std::vector<std::string> sessionSearchList;
    std::vector<std::string> sessionExcludeList;
    std::vector<std::string> overrideList;
    bool addAllToAlwaysSearch = false;
    bool addAllToSessionSearch = false;
    int extensionChoice = static_cast<int>(ExtensionChoice::SessionSearch);
    // An always list changed since it was last saved.
    bool listsChanged = false;

private:
    bool Apply(ExtensionChoice choice, const std::string& extension);

    RunControl& m_control;
    UnknownExtensionAsker& m_asker;
};

}  // namespace kesto
