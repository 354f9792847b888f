// ByteSink: where a pass's new content goes: the new file, or a buffer in memory.
#pragma once

#include <string>
#include <string_view>

namespace kesto {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(std::string_view bytes) = 0;
};

class StringSink : public ByteSink {
public:
    explicit StringSink(std::string& target) : m_target(target) {}
    void Write(std::string_view bytes) override { m_target.append(bytes); }

private:
    std::string& m_target;
};

}  // namespace kesto
