#include "text/TextFile.h"

#include <algorithm>

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "text/PrefaultPages.h"

namespace kesto {

namespace {

// Smaller blocks come from the heap's pages that are already there.
constexpr std::size_t kPrefaultFrom = 1 << 16;

}  // namespace

ReadResult ReadWholeFile(int fd, std::size_t size, TextBuffer& buffer) {
    buffer.size = 0;
    if (buffer.capacity < size + 2) {
        // Grown by half at least: a buffer that goes from file to file, growing with each
        // larger one, would otherwise take fresh pages for many of them.
        const std::size_t capacity = std::max(size + 2, buffer.capacity + buffer.capacity / 2);
        buffer.bytes.reset(new (std::nothrow) char[capacity]);
        buffer.capacity = buffer.bytes ? capacity : 0;
        if (!buffer.bytes) return ReadResult::OutOfMemory;
        if (buffer.capacity >= kPrefaultFrom) PrefaultPages(buffer.bytes.get(), buffer.capacity);
    }
    // One byte more than the size is asked for: a file that grew since it was looked at
    // fills it. A read of a regular file that gives fewer bytes than asked has met the
    // file's end, so the common file takes one read and no second one to find its end.
    std::size_t got = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.bytes.get() + got, size + 1 - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return ReadResult::Failed;
        got += static_cast<std::size_t>(n);
        if (got > size) return ReadResult::Failed;
        if (got == size) break;
        if (n == 0) return ReadResult::Failed;  // shorter than it was
    }
    buffer.bytes[size] = '\0';
    buffer.bytes[size + 1] = '\0';
    buffer.size = size;
    return ReadResult::Ok;
}

LineBreakType DetectLineBreakType(std::string_view text) {
    const char* data = text.data();
    const std::size_t size = text.size();
    // An empty text may have no bytes at all to point at, which memchr may not be given.
    if (size == 0) return LineBreakType::None;
    const void* carriageReturn = std::memchr(data, '\r', size);
    if (carriageReturn) {
        for (const char* at = static_cast<const char*>(carriageReturn); at;) {
            const std::size_t offset = static_cast<std::size_t>(at - data);
            if (offset + 1 < size && at[1] == '\n') return LineBreakType::Dos;
            at = static_cast<const char*>(std::memchr(at + 1, '\r', size - offset - 1));
        }
        return LineBreakType::Mac;
    }
    return std::memchr(data, '\n', size) ? LineBreakType::Unix : LineBreakType::None;
}

}  // namespace kesto
