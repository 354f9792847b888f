// FileText: one file's bytes as read, and the text a pass searches and replaces in them.
//
// The text is UTF-8 (or single-byte text) after the byte-order mark, if the file has one:
// a UTF-8 file's text lies in its bytes, a UTF-16 or UTF-32 file's is decoded into a buffer
// of its own. The mark is never part of the text, so that the first line starts at the
// first character; a pass writes the mark back first and then the new text (through a
// TextEncoder where the text was decoded). Both buffers are kept from file to file.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "text/TextEncoding.h"
#include "text/TextFile.h"

namespace kesto {

class FileText {
public:
    // Reads exactly `size` bytes from `fd`, as ReadWholeFile does; the text is then the
    // bytes themselves until Decode() is called.
    ReadResult Read(int fd, std::size_t size);
    // Finds the text in the bytes read. The problem entry's reason when the file may not be
    // searched: its bytes are no exact text of the encoding its mark names, or, with
    // `leaveBinary`, its text is binary.
    [[nodiscard]] std::optional<std::string_view> Decode(bool leaveBinary);
    // Lets go of the bytes and the text (the buffers stay for the next file).
    void Forget();

    // The file's bytes as they are on disk.
    std::string_view bytes() const { return m_bytes.view(); }
    std::string_view text() const;
    std::string_view byteOrderMark() const { return bytes().substr(0, m_mark.length); }
    TextEncoding encoding() const { return m_mark.encoding; }
    // Whether the text is a decoded copy: then the new text must be encoded.
    bool decoded() const { return m_mark.encoding != TextEncoding::Utf8; }
    std::size_t bytesHeld() const { return m_bytes.size + m_decoded.size; }

private:
    TextBuffer m_bytes;
    TextBuffer m_decoded;
    EncodingMark m_mark;
};

}  // namespace kesto
