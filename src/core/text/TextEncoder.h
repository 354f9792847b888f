// TextEncoder: the new text of a UTF-16 or UTF-32 file, written by a pass in UTF-8, encoded
// on its way to the file.
//
// The pass writes its pieces as it makes them; a piece may end inside a character, which the
// next piece completes. The encoded bytes are gathered into large blocks for the target.
// Text that is no UTF-8 (a replacement that split a character, say) cannot be encoded: from
// the first such byte on nothing more reaches the target, and Finish() says so.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "text/ByteSink.h"
#include "text/TextEncoding.h"

namespace kesto {

class TextEncoder : public ByteSink {
public:
    // `target` must outlive the encoder.
    TextEncoder(ByteSink& target, TextEncoding encoding);
    TextEncoder(const TextEncoder&) = delete;
    TextEncoder& operator=(const TextEncoder&) = delete;

    void Write(std::string_view utf8) override;
    // Hands the rest to the target; false when the text written was not UTF-8 throughout, or
    // ended inside a character: then the target holds only a part of it.
    [[nodiscard]] bool Finish();

private:
    void WriteCarried(std::string_view& utf8);
    void HandOn();

    static constexpr std::size_t kBlockSize = 128 * 1024;
    // A block is handed on before its room is less than this many bytes of UTF-8 could need.
    static constexpr std::size_t kLeastRoom = 16 * 1024;
    ByteSink& m_target;
    const TextEncoding m_encoding;
    std::unique_ptr<char[]> m_block;
    std::size_t m_fill = 0;
    // The start of a character that the last piece cut.
    char m_carry[4] = {};
    std::size_t m_carried = 0;
    bool m_invalid = false;
};

}  // namespace kesto
