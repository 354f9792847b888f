// ContentHash: the 128-bit XXH3 hash of a file's bytes, written as 32 hexadecimal digits.
//
// It tells whether a file still holds exactly the bytes a run read or wrote. XXH3 hashes
// at memory speed, so a run can hash every file it reads and writes at no measurable cost;
// 128 bits make an accidental match of two different contents out of reach. It is not
// meant to stand against someone who forges contents on purpose: whoever can write the
// files can change them anyway.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kesto {

struct ContentHash {
    std::uint64_t high = 0;
    std::uint64_t low = 0;

    static ContentHash Of(std::string_view bytes);
    // The 32 digits Hex() writes; nothing for any other text.
    static std::optional<ContentHash> FromHex(std::string_view text);
    std::string Hex() const;

    bool operator==(const ContentHash&) const = default;
};

// The same hash, of bytes that come in pieces.
class ContentHasher {
public:
    ContentHasher();
    ~ContentHasher();
    ContentHasher(const ContentHasher&) = delete;
    ContentHasher& operator=(const ContentHasher&) = delete;

    void Update(std::string_view bytes);
    ContentHash Digest() const;

private:
    struct State;
    State* m_state;
};

// The 64-bit XXH3 hash, for checksums of records.
std::uint64_t QuickHash(std::string_view bytes);

}  // namespace kesto
