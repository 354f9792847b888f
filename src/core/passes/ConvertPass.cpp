#include "passes/ConvertPass.h"

namespace kesto {

bool ConvertPass::ConvertFile(const std::string& directory, const std::string& fileName) {
    if (!OpenAndRead(directory, fileName) || !BeginRewrite()) return false;
    const ConversionDirection direction =
        m_context.options.conversion().value_or(ConversionDirection{});
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
        LeaveAlone("No match Found!");
        return true;
    }
    if (!KeepNewFile()) return false;
    Report(std::to_string(converted) + " lines converted to new line break type!");
    Report(" ");
    return true;
}

}  // namespace kesto
