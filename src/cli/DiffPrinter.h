// DiffPrinter: the unified diff of each file a preview would rewrite, on standard output as
// the run goes, named relative to the current directory when the file lies below it.
#pragma once

#include <functional>
#include <string>

#include "files/RewriteObserver.h"

namespace kesto::cli {

class DiffPrinter : public RewriteObserver {
public:
    // `writeFailed` is called once when standard output takes no more.
    explicit DiffPrinter(std::function<void()> writeFailed);

    void WouldRewrite(const std::string& path, std::string_view before,
                      std::string_view after) override;

    bool failed() const { return m_failed; }

private:
    std::function<void()> m_writeFailed;
    std::string m_currentDirectory;
    std::string m_diff;
    bool m_failed = false;
};

}  // namespace kesto::cli
