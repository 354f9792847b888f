// Random bytes through the encodings both ways: what decodes encodes back to the same bytes,
// in pieces of any size, and UTF-8 the encoder takes decodes back to itself.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "text/TextEncoder.h"
#include "text/TextEncoding.h"

namespace {

std::optional<std::string> Encoded(std::string_view utf8, kesto::TextEncoding encoding,
                                   std::size_t piece) {
    std::string out;
    kesto::StringSink sink(out);
    kesto::TextEncoder encoder(sink, encoding);
    for (std::size_t at = 0; at < utf8.size(); at += piece) encoder.Write(utf8.substr(at, piece));
    if (!encoder.Finish()) return std::nullopt;
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kesto;
    if (size < 1) return 0;
    static const TextEncoding kEncodings[] = {TextEncoding::Utf16Le, TextEncoding::Utf16Be,
                                              TextEncoding::Utf32Le, TextEncoding::Utf32Be};
    const TextEncoding encoding = kEncodings[data[0] % 4];
    const std::size_t piece = 1 + data[0] / 4;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    TextBuffer utf8;
    if (!DecodeToUtf8(bytes, encoding, utf8)) {
        if (Encoded(utf8.view(), encoding, piece) != std::string(bytes)) std::abort();
    }
    if (const std::optional<std::string> units = Encoded(bytes, encoding, piece)) {
        TextBuffer back;
        if (DecodeToUtf8(*units, encoding, back) || back.view() != bytes) std::abort();
    }
    return 0;
}
