// WordTable: remembers what a chain of literal pairs makes of a word, so that a word met
// again costs one look-up instead of one search per pair.
//
// A word of up to 32 bytes is its own key, held in four machine words and compared as
// such. A word of up to sixteen bytes, the most common kind, is first looked for in a table
// where it has one place only, next to a copy of its result. The table is small and
// bounded: the results live in one byte store, and when the store or the number of words
// reaches its limit the table starts again empty.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace kesto {

// What the chain made of one word.
struct WordResult {
    std::string_view text;  // the word after every pair; kReadable bytes can be read
    std::uint32_t replacements = 0;
    // The sum over the pairs of what each one added to the word's length (a pair that
    // shortened it counts 0): a bound for how long its line ever grows.
    std::uint32_t growthBound = 0;
    // The pairs that matched, one bit each in as many machine words as the chain needs.
    const std::uint64_t* matchedPairs = nullptr;
    bool matched = false;
};

class WordTable {
public:
    static constexpr std::size_t kLongestWord = 32;
    // A result's text can be read this far, however short it is.
    static constexpr std::size_t kReadable = 16;

    struct Key {
        std::array<std::uint64_t, 4> words;
        std::uint32_t length;
    };

    WordTable();

    // The key of the `length` (at most kLongestWord) bytes at `bytes`, of which
    // kLongestWord can be read when `overread` is true.
    [[gnu::always_inline]] static Key MakeKey(const char* bytes, std::size_t length,
                                              bool overread) {
        Key key;
        key.length = static_cast<std::uint32_t>(length);
        if (!overread) {
            key.words = {};
            std::memcpy(key.words.data(), bytes, length);
            return key;
        }
        // Loaded straight into machine words: a copy through memory would have to be read
        // back in pieces.
        for (std::size_t i = 0; i < key.words.size(); ++i) {
            std::uint64_t word;
            std::memcpy(&word, bytes + i * 8, 8);
            const std::size_t own = length > i * 8 ? length - i * 8 : 0;
            key.words[i] = own >= 8 ? word : word & ((std::uint64_t{1} << (own * 8)) - 1);
        }
        return key;
    }

    // The remembered result of `key`, or nullptr. A result found stays valid until the
    // next Add.
    const WordResult* Find(const Key& key) {
        if (key.length > kShortWord) {
            const std::uint32_t entry = EntryInSlots(key, Hash(key));
            return entry == 0 ? nullptr : &m_entries[entry - 1].result;
        }
        return FindShort(key.words[0], key.words[1], key.length);
    }

    // Find for a word of up to kShortWord bytes, given as the first two words of its key.
    [[gnu::always_inline]] const WordResult* FindShort(std::uint64_t low, std::uint64_t high,
                                                       std::uint32_t length) {
        ShortSlot& fast = m_short[ShortSlotOf(low, high, length)];
        if (fast.entry != 0 && ((fast.low ^ low) | (fast.high ^ high)) == 0 &&
            fast.length == length) {
            return &fast.result;
        }
        return FindShortInSlots(fast, low, high, length);
    }

    static constexpr std::size_t kShortWord = 16;

    // Remembers what became of the word of `key`; a result too large to keep is not
    // remembered.
    void Add(const Key& key, std::string_view text, std::uint32_t replacements,
             std::uint32_t growthBound, const std::vector<std::uint64_t>& matchedPairs);

private:
    struct Slot {
        std::uint32_t tag = 0;
        std::uint32_t entry = 0;  // index + 1; 0 is an empty slot
    };
    // A word of up to kShortWord bytes is looked for first in a small table of one slot
    // per hash value, which a word found in the slots takes over.
    struct alignas(64) ShortSlot {
        std::uint64_t low = 0;
        std::uint64_t high = 0;
        std::uint32_t length = 0;
        std::uint32_t entry = 0;  // index + 1; 0 is an empty slot
        WordResult result;
    };
    struct Entry {
        WordResult result;
        Key key;
        std::uint64_t hash;
    };

    static std::uint64_t Hash(const Key& key) {
        // Four products side by side rather than one after the other.
        std::uint64_t hash = (key.words[0] * 0x9e3779b97f4a7c15ULL) ^
                             (key.words[1] * 0xc2b2ae3d27d4eb4fULL) ^
                             (key.words[2] * 0x165667b19e3779f9ULL) ^
                             (key.words[3] * 0xd6e8feb86659fd93ULL) ^ key.length;
        hash ^= hash >> 29;
        return hash * 0xff51afd7ed558ccdULL;
    }
    static std::size_t ShortSlotOf(std::uint64_t low, std::uint64_t high, std::uint32_t length) {
        const std::uint64_t mixed =
            (low ^ length) * 0x9e3779b97f4a7c15ULL ^ high * 0xc2b2ae3d27d4eb4fULL;
        return static_cast<std::size_t>(mixed >> (64 - kShortSlotBits));
    }
    [[gnu::noinline]] const WordResult* FindShortInSlots(ShortSlot& fast, std::uint64_t low,
                                                         std::uint64_t high, std::uint32_t length);
    // The index + 1 of the entry of `key`, 0 when there is none.
    std::uint32_t EntryInSlots(const Key& key, std::uint64_t hash) const {
        const std::size_t mask = m_slots.size() - 1;
        const auto tag = static_cast<std::uint32_t>(hash);
        for (std::size_t slot = hash >> 40 & mask;; slot = (slot + 1) & mask) {
            const Slot& candidate = m_slots[slot];
            if (candidate.entry == 0) return 0;
            if (candidate.tag != tag) continue;
            const Entry& entry = m_entries[candidate.entry - 1];
            if (entry.key.length == key.length && SameWords(entry.key, key)) {
                return candidate.entry;
            }
        }
    }

    static bool SameWords(const Key& a, const Key& b) {
        return ((a.words[0] ^ b.words[0]) | (a.words[1] ^ b.words[1]) | (a.words[2] ^ b.words[2]) |
                (a.words[3] ^ b.words[3])) == 0;
    }

    static constexpr std::size_t kMaxEntries = 8 * 1024;
    // A power of two, at most a quarter full; the table starts small so that the words of
    // a text with few of them lie close together.
    static constexpr std::size_t kFirstSlots = 1024;
    static constexpr unsigned kShortSlotBits = 11;
    static constexpr std::size_t kMaxBytes = 1024 * 1024;
    static constexpr std::size_t kMaxPairWords = 256 * 1024;

    void Clear();
    void Insert(std::uint64_t hash, std::uint32_t entry);
    void Grow();

    std::vector<Entry> m_entries;
    std::vector<Slot> m_slots;
    std::vector<ShortSlot> m_short;
    // Fixed in size, so that the results' views into them stay valid.
    std::unique_ptr<char[]> m_bytes;
    std::size_t m_bytesUsed = 0;
    std::unique_ptr<std::uint64_t[]> m_pairs;
    std::size_t m_pairsUsed = 0;
};

}  // namespace kesto
