// GatheringWriter: gathers the many small writes of a scan into one buffer and passes it
// on to a sink in large pieces; a large write goes to the sink as it is.
//
// Short pieces are copied sixteen bytes at a time whatever their length, which is why a
// short write must be able to read sixteen bytes from where it starts.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

#include "text/ByteSink.h"

namespace kesto {

class GatheringWriter {
public:
    static constexpr std::size_t kShort = 16;

    explicit GatheringWriter(ByteSink& sink);
    GatheringWriter(const GatheringWriter&) = delete;
    GatheringWriter& operator=(const GatheringWriter&) = delete;

    // `size` bytes from `data`, of which at least kShort can be read when size <= kShort.
    void WriteReadable(const char* data, std::size_t size) {
        if (size <= kShort && m_used + kShort <= kCapacity) {
            std::memcpy(m_buffer.get() + m_used, data, kShort);
            m_used += size;
            return;
        }
        Write(std::string_view(data, size));
    }

    void Write(std::string_view bytes);
    // Passes on what was gathered.
    void Flush();

private:
    static constexpr std::size_t kCapacity = 64 * 1024;

    ByteSink& m_sink;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_used = 0;
};

}  // namespace kesto
