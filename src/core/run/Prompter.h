// Prompter: how the core shows a message box or asks a Yes/No question.
//
// The core never opens a window itself. The GUI implements this with modal message boxes,
// kesto-cli on standard error (answering Yes), tests with scripted doubles.
#pragma once

#include <string_view>

namespace kesto {

enum class MessageIcon { Stop, Information, Warning };

class Prompter {
public:
    virtual ~Prompter() = default;

    // Shows `text` with an OK button and returns when the user has dismissed it.
    virtual void ShowMessage(std::string_view text, MessageIcon icon) = 0;

    // Asks a Yes/No question; true only for Yes.
    virtual bool AskYesNo(std::string_view text) = 0;
};

}  // namespace kesto
