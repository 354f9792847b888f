// OutputWriter: sequential writing of a pass's new file.
//
// Small pieces are gathered in a buffer; a long stretch (64 KiB or more) goes to the file in
// one write of its own. The first failure is remembered and every later write is skipped, so
// the pass can check once, at the end, whether the new file is complete. A preview writes
// no file: its content goes to memory, or nowhere.
#pragma once

#include <string>
#include <string_view>

#include "text/ByteSink.h"
#include "text/ContentHash.h"

namespace kesto {

class OutputWriter : public ByteSink {
public:
    explicit OutputWriter(int fd);
    // Without a file: appends to `memory`, or drops everything when it is null.
    explicit OutputWriter(std::string* memory);
    OutputWriter(const OutputWriter&) = delete;
    OutputWriter& operator=(const OutputWriter&) = delete;

    void Write(std::string_view bytes) override;
    // Writes what is buffered; true when every byte so far reached the file.
    bool Flush();
    bool failed() const { return m_failed; }
    // How many bytes were given to Write().
    std::size_t written() const { return m_written; }
    // From now on every byte that goes to the file is also hashed by `hasher` (may be null).
    void HashWith(ContentHasher* hasher) { m_hasher = hasher; }
    // Every byte written from now on is compared with `original` (which must outlive the
    // writer), at the same place.
    void CompareWith(std::string_view original);
    // Whether what was written is `original`, every byte of it and nothing more.
    bool SameAsOriginal() const { return m_same && m_compared == m_original.size(); }

private:
    void WriteThrough(std::string_view bytes);

    static constexpr std::size_t kBufferSize = 256 * 1024;
    static constexpr std::size_t kWriteThroughFrom = 64 * 1024;
    int m_fd;
    std::string* m_memory = nullptr;
    ContentHasher* m_hasher = nullptr;
    std::string m_buffer;
    bool m_failed = false;
    std::string_view m_original;
    std::size_t m_compared = 0;
    bool m_same = false;
    std::size_t m_written = 0;
};

}  // namespace kesto
