// The encodings of text files a run searches: UTF-8 (or any single-byte code page), and
// UTF-16 and UTF-32 in either byte order, which a byte-order mark at the file's start names.
//
// The passes work on UTF-8 only. A UTF-16 or UTF-32 file is decoded into UTF-8 before it is
// searched and its new text encoded back; both directions are exact, so that the bytes of
// every unchanged character come back as they were. Bytes that are no text of their encoding
// are refused, never mended.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "text/TextFile.h"

namespace kesto {

enum class TextEncoding { Utf8, Utf16Le, Utf16Be, Utf32Le, Utf32Be };

// The encoding a file's bytes start with, and the length of the byte-order mark that says
// so (0 for UTF-8 without one).
struct EncodingMark {
    TextEncoding encoding = TextEncoding::Utf8;
    std::size_t length = 0;
};

EncodingMark EncodingMarkOf(std::string_view bytes);

// The length of the UTF-8 sequence that starts with `lead`, 0 when no sequence does.
std::size_t Utf8SequenceLength(unsigned char lead);

// Decodes `units`, UTF-16 or UTF-32 text without its mark, into `utf8` (followed by two zero
// bytes, as a file read is). The problem entry's reason when `units` is no exact text of
// `encoding`: an odd length, an unpaired surrogate, a value past U+10FFFF.
std::optional<std::string_view> DecodeToUtf8(std::string_view units, TextEncoding encoding,
                                             TextBuffer& utf8);

// Encodes the UTF-8 of `utf8` into `encoding` at `out`, which has room for four bytes per
// byte of `utf8`. Stops before a sequence that `utf8` cuts short. Returns how many bytes of
// `utf8` were taken and how many were written; `invalid` when a byte that is no UTF-8 stopped
// it.
struct EncodeProgress {
    std::size_t taken = 0;
    std::size_t written = 0;
    bool invalid = false;
};

EncodeProgress EncodeFromUtf8(std::string_view utf8, TextEncoding encoding, char* out);

// The most bytes one byte of UTF-8 becomes in `encoding`.
constexpr std::size_t kMostBytesPerUtf8Byte = 4;

}  // namespace kesto
