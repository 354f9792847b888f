#include "passes/StripInsertPass.h"

#include <algorithm>

#include "text/AsciiCase.h"

namespace kesto {

int StripLineEnd(std::string& line, int& charCount, int& lineCount) {
    if (line.empty() || !IsWhiteSpace(line.back())) return 0;
    ++lineCount;
    std::size_t end = line.size();
    while (end > 0 && IsWhiteSpace(line[end - 1])) --end;
    const int removed = static_cast<int>(line.size() - end);
    line.resize(end);
    charCount += removed;
    return removed;
}

int InsertStringAtColumn(std::string& line, std::string_view insert, int column) {
    const std::size_t at = static_cast<std::size_t>(std::max(column, 1) - 1);
    if (line.size() < at) line.resize(at, ' ');
    line.insert(at, insert);
    return 1;
}

bool StripInsertPass::StripOrInsertFile(const std::string& directory, const std::string& fileName) {
    const RunPlan& options = m_context.options;
    if (!OpenAndRead(directory, fileName)) return false;
    const std::string_view all = text();
    const LineBreakType type = DetectLineBreakType(all);
    if (type == LineBreakType::None) {
        Fail("Doesn't meet text file requirements!");
        return false;
    }
    if (!BeginRewrite()) return false;
    const char breakChar = LineBreakChar(type);
    const bool strip = options.stripEolWhiteSpace;

    int changes = 0;
    int possible = 0;
    int linesWithMatch = 0;
    int lines = 0;
    std::string line;
    for (std::size_t begin = 0; begin < all.size();) {
        // Each line keeps the line break it had: in a DOS file a bare LF too, and the last
        // line of a file that does not end with one gets none.
        const std::size_t breakAt = all.find(breakChar, begin);
        const std::size_t next = breakAt == std::string_view::npos ? all.size() : breakAt + 1;
        std::size_t end = breakAt == std::string_view::npos ? all.size() : breakAt;
        if (type == LineBreakType::Dos && end > begin && end < all.size() && all[end - 1] == '\r') {
            --end;
        }
        if (end - begin > kMaxLineLength) {
            ShowLineTooLong(" characters\nwhich is this application's max!\n");
            Fail("Lines to long!");
            return false;
        }
        if (++lines % 300 == 0) ShowProgress(static_cast<int>(begin * 100 / all.size()));

        line.assign(all.substr(begin, end - begin));
        if (strip) {
            changes += StripLineEnd(line, possible, linesWithMatch);
        } else {
            changes += InsertStringAtColumn(line, options.searchString, options.insertColumn);
            ++possible;
            ++linesWithMatch;
        }
        output().Write(line);
        output().Write(all.substr(end, next - end));
        if (m_context.control.abortRequested()) {
            m_context.backups.RestoreOneFile();
            return false;
        }
        begin = next;
    }

    if (possible == 0) {
        Fail(strip ? "No end-of-line white spaces!" : "File is Empty!");
        return true;
    }
    if (!KeepNewFile()) return false;
    if (strip) {
        Report(std::to_string(changes) + " white spaces stripped out at the end of " +
               std::to_string(linesWithMatch) + " lines!");
    } else {
        Report(std::to_string(changes) + " changes made out of " + std::to_string(possible) +
               " possible in " + std::to_string(linesWithMatch) + " lines!");
    }
    Report(" ");
    return true;
}

}  // namespace kesto
