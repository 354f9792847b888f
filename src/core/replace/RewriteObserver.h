// RewriteObserver: told of every file a preview run would rewrite, with both versions.
#pragma once

#include <string>
#include <string_view>

namespace kesto {

class RewriteObserver {
public:
    virtual ~RewriteObserver() = default;
    // `path` (the file itself, not a link to it) would go from `before` to `after`.
    virtual void WouldRewrite(const std::string& path, std::string_view before,
                              std::string_view after) = 0;
};

}  // namespace kesto
