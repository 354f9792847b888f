#include "text/FileText.h"

#include "text/TextKind.h"

namespace kesto {

ReadResult FileText::Read(int fd, std::size_t size) {
    Forget();
    return ReadWholeFile(fd, size, m_bytes);
}

std::optional<std::string_view> FileText::Decode(bool leaveBinary) {
    m_decoded.size = 0;
    m_mark = EncodingMarkOf(bytes());
    if (decoded()) {
        const std::optional<std::string_view> refused =
            DecodeToUtf8(bytes().substr(m_mark.length), m_mark.encoding, m_decoded);
        if (refused) return refused;
    }
    if (leaveBinary) return NotSearchedReason(KindOfText(text()));
    return std::nullopt;
}

void FileText::Forget() {
    m_bytes.size = 0;
    m_decoded.size = 0;
    m_mark = {};
}

std::string_view FileText::text() const {
    return decoded() ? m_decoded.view() : bytes().substr(m_mark.length);
}

}  // namespace kesto
