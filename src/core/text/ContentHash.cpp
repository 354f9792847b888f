#include "text/ContentHash.h"

#include <xxhash.h>

#include <new>

namespace kesto {
namespace {

constexpr char kDigits[] = "0123456789abcdef";

void AppendHex(std::string& out, std::uint64_t value) {
    for (int shift = 60; shift >= 0; shift -= 4) out += kDigits[(value >> shift) & 15];
}

std::optional<std::uint64_t> ParseHex(std::string_view text) {
    std::uint64_t value = 0;
    for (const char c : text) {
        const std::string_view digits(kDigits, 16);
        const std::size_t digit = digits.find(c);
        if (digit == std::string_view::npos) return std::nullopt;
        value = (value << 4) | digit;
    }
    return value;
}

}  // namespace

ContentHash ContentHash::Of(std::string_view bytes) {
    const XXH128_hash_t hash = XXH3_128bits(bytes.data(), bytes.size());
    return {hash.high64, hash.low64};
}

std::optional<ContentHash> ContentHash::FromHex(std::string_view text) {
    if (text.size() != 32) return std::nullopt;
    const auto high = ParseHex(text.substr(0, 16));
    const auto low = ParseHex(text.substr(16));
    if (!high || !low) return std::nullopt;
    return ContentHash{*high, *low};
}

std::string ContentHash::Hex() const {
    std::string text;
    text.reserve(32);
    AppendHex(text, high);
    AppendHex(text, low);
    return text;
}

struct ContentHasher::State {
    XXH3_state_t* xxh = XXH3_createState();
};

ContentHasher::ContentHasher() : m_state(new State) {
    if (!m_state->xxh) {
        delete m_state;
        throw std::bad_alloc();
    }
    XXH3_128bits_reset(m_state->xxh);
}

ContentHasher::~ContentHasher() {
    XXH3_freeState(m_state->xxh);
    delete m_state;
}

void ContentHasher::Update(std::string_view bytes) {
    XXH3_128bits_update(m_state->xxh, bytes.data(), bytes.size());
}

ContentHash ContentHasher::Digest() const {
    const XXH128_hash_t hash = XXH3_128bits_digest(m_state->xxh);
    return {hash.high64, hash.low64};
}

std::uint64_t QuickHash(std::string_view bytes) {
    return XXH3_64bits(bytes.data(), bytes.size());
}

}  // namespace kesto
