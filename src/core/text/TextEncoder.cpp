#include "text/TextEncoder.h"

#include <algorithm>
#include <cstring>

namespace kesto {

TextEncoder::TextEncoder(ByteSink& target, TextEncoding encoding)
    : m_target(target), m_encoding(encoding), m_block(new char[kBlockSize]) {
}

void TextEncoder::Write(std::string_view utf8) {
    if (m_carried > 0) WriteCarried(utf8);
    while (!m_invalid && !utf8.empty()) {
        if (kBlockSize - m_fill < kLeastRoom) HandOn();
        const std::string_view piece =
            utf8.substr(0, (kBlockSize - m_fill) / kMostBytesPerUtf8Byte);
        const EncodeProgress progress = EncodeFromUtf8(piece, m_encoding, m_block.get() + m_fill);
        m_fill += progress.written;
        m_invalid = progress.invalid;
        utf8.remove_prefix(progress.taken);
        // A character cut by the end of the piece, not of the text, is taken with the next.
        if (!m_invalid && progress.taken < piece.size() &&
            piece.size() == utf8.size() + progress.taken) {
            std::memcpy(m_carry, utf8.data(), utf8.size());
            m_carried = utf8.size();
            return;
        }
    }
}

void TextEncoder::WriteCarried(std::string_view& utf8) {
    const std::size_t added = std::min(utf8.size(), sizeof m_carry - m_carried);
    std::memcpy(m_carry + m_carried, utf8.data(), added);
    if (kBlockSize - m_fill < kLeastRoom) HandOn();
    const EncodeProgress progress = EncodeFromUtf8(std::string_view(m_carry, m_carried + added),
                                                   m_encoding, m_block.get() + m_fill);
    m_fill += progress.written;
    m_invalid = progress.invalid;
    if (progress.taken == 0) {
        // Still not whole: the piece was shorter than the rest of the character.
        m_carried += added;
        utf8.remove_prefix(added);
        return;
    }
    utf8.remove_prefix(progress.taken - m_carried);
    m_carried = 0;
}

void TextEncoder::HandOn() {
    if (m_fill > 0) m_target.Write(std::string_view(m_block.get(), m_fill));
    m_fill = 0;
}

bool TextEncoder::Finish() {
    if (m_invalid || m_carried > 0) return false;
    HandOn();
    return true;
}

}  // namespace kesto
