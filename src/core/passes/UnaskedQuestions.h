// UnaskedQuestions: the prompter and confirmer of a scan that runs where nobody can be
// asked. Every question is answered Abort (or No) and noted, so that the scan's result is
// thrown away and the run asks the user itself.
#pragma once

#include <string_view>

#include "pattern/ReplaceConfirmer.h"
#include "run/Prompter.h"

namespace kesto {

class UnaskedQuestions : public Prompter, public ReplaceConfirmer {
public:
    void ShowMessage(std::string_view, MessageIcon) override { m_asked = true; }
    bool AskYesNo(std::string_view) override {
        m_asked = true;
        return false;
    }
    ConfirmAnswer ConfirmReplace(const ConfirmRequest&) override {
        m_asked = true;
        return {ConfirmChoice::Abort, std::nullopt};
    }

    bool asked() const { return m_asked; }
    void Forget() { m_asked = false; }

private:
    bool m_asked = false;
};

}  // namespace kesto
