// Scripted stand-ins for the interactive hosts of the core: they record what the core
// shows and asks, and answer from a prepared script.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "pattern/ReplaceConfirmer.h"
#include "run/Prompter.h"

namespace kesto::test {

class ScriptedPrompter : public Prompter {
public:
    void ShowMessage(std::string_view text, MessageIcon) override { messages.emplace_back(text); }
    bool AskYesNo(std::string_view text) override {
        questions.emplace_back(text);
        if (answers.empty()) return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<bool> answers;  // Yes when the script runs out
    std::vector<std::string> messages;
    std::vector<std::string> questions;
};

// Answers each confirm question with the next scripted answer; Stop Now when the script
// runs out, so a test that asks more than it planned ends instead of looping.
class ScriptedConfirmer : public ReplaceConfirmer {
public:
    struct Seen {
        std::string fileName;
        std::string lineNumber;
        std::string displayedLine;
        int highlightStart;
        int highlightEnd;
        std::string line;
        std::string replacedDisplayedLine;
        int replacementStart;
        int replacementEnd;
    };

    ConfirmAnswer ConfirmReplace(const ConfirmRequest& request) override {
        seen.push_back({std::string(request.fileName), request.lineNumber, request.displayedLine,
                        request.highlightStart, request.highlightEnd, std::string(request.line),
                        request.replacedDisplayedLine, request.replacementStart,
                        request.replacementEnd});
        if (inspect) inspect(request);
        if (script.empty()) return {ConfirmChoice::StopNow, {}};
        ConfirmAnswer answer = std::move(script.front());
        script.pop_front();
        return answer;
    }

    void Then(ConfirmChoice choice) { script.push_back({choice, {}}); }
    void ThenEdit(std::string editedLine) {
        script.push_back({ConfirmChoice::ReplaceIt, std::move(editedLine)});
    }

    std::deque<ConfirmAnswer> script;
    std::vector<Seen> seen;
    // Sees each request while it is asked, before the scripted answer.
    std::function<void(const ConfirmRequest&)> inspect;
};

}  // namespace kesto::test
