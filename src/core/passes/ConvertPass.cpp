#include "passes/ConvertPass.h"

namespace kesto {

ConversionDirection ChosenConversion(const RunPlan& options) {
    using T = LineBreakType;
    if (options.convertMacToDos) return {T::Mac, T::Dos};
    if (options.convertMacToUnix) return {T::Mac, T::Unix};
    if (options.convertUnixToDos) return {T::Unix, T::Dos};
    if (options.convertUnixToMac) return {T::Unix, T::Mac};
    if (options.convertDosToUnix) return {T::Dos, T::Unix};
    return {T::Dos, T::Mac};
}

bool ConvertPass::ConvertFile(const std::string& directory, const std::string& fileName) {
    if (!OpenAndRead(directory, fileName) || !BeginRewrite()) return false;
    const ConversionDirection direction = ChosenConversion(m_context.options);
    const std::string_view target = LineBreakBytes(direction.target);
    const std::string_view all = text();

    // The line in the making is the stretch [kept, at) less the bytes dropped from it,
    // which are written as they go.
    int converted = 0;
    std::size_t lineLength = 0;
    std::size_t kept = 0;
    for (std::size_t at = 0; at < all.size(); ++at) {
        const char c = all[at];
        if (c != '\r' && c != '\n') {
            if (++lineLength + target.size() > kMaxLineLength) {
                ShowLineTooLong(" characters\nwhich is this application's max!");
                Fail("Line to long!");
                return false;
            }
            continue;
        }
        output().Write(all.substr(kept, at - kept));
        bool endsLine = false;
        switch (direction.source) {
        case LineBreakType::Dos:
            if (c == '\r' && at + 1 < all.size() && all[at + 1] == '\n') {
                endsLine = true;
                ++at;
            }
            break;
        case LineBreakType::Unix:
            endsLine = c == '\n';
            break;
        default:
            endsLine = c == '\r';
            break;
        }
        if (endsLine) {
            output().Write(target);
            ++converted;
            lineLength = 0;
        }
        kept = at + 1;
    }
    output().Write(all.substr(kept));

    if (converted == 0) {
        Fail("No match Found!");
        return true;
    }
    if (!KeepNewFile()) return false;
    m_context.log.AddLogLine(std::to_string(converted) +
                             " lines converted to new line break type!");
    m_context.log.AddLogLine(" ");
    return true;
}

}  // namespace kesto
