// Reading a file whole and telling its line-break convention.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "text/LineBreak.h"

namespace kesto {

// The longest line, or span of lines, a pass cuts out of a file.
inline constexpr std::size_t kMaxLineLength = 32000;

// A file's bytes in one block, followed by two zero bytes.
// Reused from file to file: a read allocates only when the file is larger than any before.
struct TextBuffer {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    std::size_t capacity = 0;
    std::string_view view() const { return {bytes.get(), size}; }
};

enum class ReadResult { Ok, OutOfMemory, Failed };

// Reads exactly `size` bytes from `fd` into `buffer`. A file that ends sooner or holds more
// than `size` bytes has changed since it was measured: Failed, so no byte is dropped.
ReadResult ReadWholeFile(int fd, std::size_t size, TextBuffer& buffer);

// DOS when the pair 13 10 occurs anywhere; else Mac when 13 occurs; else UNIX when 10
// occurs; else None (not a text file).
LineBreakType DetectLineBreakType(std::string_view text);

}  // namespace kesto
