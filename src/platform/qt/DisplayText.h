// DisplayText: how the bytes of the core become text on the screen and back.
//
// The core never decodes bytes. The GUI shows them as UTF-8 where they are valid UTF-8
// and as Latin-1 otherwise (so every byte shows as some character), and turns typed text
// into UTF-8 bytes.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace kesto {

QString DisplayText(std::string_view bytes);
std::string TypedBytes(const QString& text);

}  // namespace kesto
