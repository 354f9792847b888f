// How a file name is written into the log: control characters and the backslash are
// escaped (a line feed as \n, a tab as \t, any other control byte as \xNN, a backslash as
// \\), so that a name cannot end a log line early or forge the lines after it. The editor
// launch turns a logged name back into the real one.
#pragma once

#include <string>
#include <string_view>

namespace kesto {

std::string LoggedPath(std::string_view path);

// The real name of a logged one; a sequence that LoggedPath never writes stays as it is.
std::string PathFromLog(std::string_view logged);

}  // namespace kesto
