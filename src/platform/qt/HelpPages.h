// HelpPages: help by context number. Each number has a small HTML page compiled into the
// program (and installed beside it for the desktop's browser); the page is shown in a
// help window of its own.
#pragma once

#include <QString>

class QWidget;

namespace kesto {

// The resource path of a context's page; the contents page when the number has none.
QString HelpPagePath(int context);
bool HasHelpPage(int context);

// Shows the page in the one help window of the application, raising it when it is open.
void ShowHelpTopic(int context, QWidget* parent);

}  // namespace kesto
