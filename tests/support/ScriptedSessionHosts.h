// Scripted stand-ins for the rest of a session's hosts: the unknown-extension question,
// the start-directory dialog, the trash and the two mode dialogs.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "files/RecycleBin.h"
#include "session/SessionHosts.h"
#include "settings/ExtensionLists.h"

namespace kesto::test {

class ScriptedSessionHosts : public UnknownExtensionAsker,
                             public StartDirectoryChooser,
                             public RecycleBin,
                             public ModeDialogs {
public:
    ExtensionChoice AskAboutExtension(std::string_view, std::string_view) override {
        return extensionAnswer;
    }
    std::optional<StartDirectoryChoice> ChooseStartDirectory(
        const StartDirectoryChoice& initial) override {
        offered.push_back(initial);
        if (startChoices.empty()) return std::nullopt;
        auto choice = startChoices.front();
        startChoices.pop_front();
        return choice;
    }
    bool MoveToRecycleBin(const std::vector<std::string>& paths,
                          std::vector<std::string>& places) override {
        binned.insert(binned.end(), paths.begin(), paths.end());
        places.assign(paths.size(), "");
        return true;
    }
    ModeDialogChoice ShowSingleModeDialog(bool showPrevious) override {
        dialogs.push_back(showPrevious ? "single+" : "single");
        return Next();
    }
    ModeDialogChoice ShowBatchDialog(bool showPrevious) override {
        dialogs.push_back(showPrevious ? "batch+" : "batch");
        return Next();
    }
    ModeDialogChoice Next() {
        if (dialogAnswers.empty()) return {};
        const ModeDialogResult answer = dialogAnswers.front();
        dialogAnswers.pop_front();
        return {answer, dialogRequest};
    }

    ExtensionChoice extensionAnswer = ExtensionChoice::SessionSearch;
    std::deque<std::optional<StartDirectoryChoice>> startChoices;
    std::vector<StartDirectoryChoice> offered;
    std::vector<std::string> binned;
    std::deque<ModeDialogResult> dialogAnswers;
    // What every answer of the dialogs hands the session.
    RunRequest dialogRequest;
    std::vector<std::string> dialogs;
};

}  // namespace kesto::test
