#include "literal/WordTable.h"

#include <algorithm>

namespace kesto {

WordTable::WordTable()
    : m_slots(kFirstSlots),
      m_short(std::size_t{1} << kShortSlotBits),
      m_bytes(new char[kMaxBytes + kReadable]()),
      m_pairs(new std::uint64_t[kMaxPairWords]) {
    m_entries.reserve(kMaxEntries);
}

void WordTable::Clear() {
    m_entries.clear();
    m_bytesUsed = 0;
    m_pairsUsed = 0;
    m_slots.assign(kFirstSlots, Slot{});
    m_short.assign(m_short.size(), ShortSlot{});
}

const WordResult* WordTable::FindShortInSlots(ShortSlot& fast, std::uint64_t low,
                                              std::uint64_t high, std::uint32_t length) {
    const Key key{{low, high, 0, 0}, length};
    const std::uint32_t entry = EntryInSlots(key, Hash(key));
    if (entry == 0) return nullptr;
    fast = ShortSlot{low, high, length, entry, m_entries[entry - 1].result};
    return &fast.result;
}

void WordTable::Insert(std::uint64_t hash, std::uint32_t entry) {
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = hash >> 40 & mask;
    while (m_slots[slot].entry != 0) slot = (slot + 1) & mask;
    m_slots[slot] = Slot{static_cast<std::uint32_t>(hash), entry};
}

void WordTable::Grow() {
    m_slots.assign(m_slots.size() * 2, Slot{});
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        Insert(m_entries[i].hash, static_cast<std::uint32_t>(i + 1));
    }
}

void WordTable::Add(const Key& key, std::string_view text, std::uint32_t replacements,
                    std::uint32_t growthBound, const std::vector<std::uint64_t>& matchedPairs) {
    if (text.size() > kMaxBytes / 16 || matchedPairs.size() > kMaxPairWords / 16) return;
    if (m_entries.size() == kMaxEntries || m_bytesUsed + text.size() > kMaxBytes ||
        m_pairsUsed + matchedPairs.size() > kMaxPairWords) {
        Clear();
    }
    Entry entry;
    entry.key = key;
    entry.hash = Hash(key);
    char* stored = m_bytes.get() + m_bytesUsed;
    std::memcpy(stored, text.data(), text.size());
    m_bytesUsed += text.size();
    std::uint64_t* pairs = m_pairs.get() + m_pairsUsed;
    std::copy(matchedPairs.begin(), matchedPairs.end(), pairs);
    m_pairsUsed += matchedPairs.size();
    entry.result.text = std::string_view(stored, text.size());
    entry.result.replacements = replacements;
    entry.result.growthBound = growthBound;
    entry.result.matchedPairs = pairs;
    entry.result.matched = replacements > 0;
    if (4 * (m_entries.size() + 1) > m_slots.size()) Grow();
    m_entries.push_back(entry);
    Insert(entry.hash, static_cast<std::uint32_t>(m_entries.size()));
    if (key.length <= kShortWord) {
        m_short[ShortSlotOf(key.words[0], key.words[1], key.length)] =
            ShortSlot{key.words[0], key.words[1], key.length,
                      static_cast<std::uint32_t>(m_entries.size()), entry.result};
    }
}

}  // namespace kesto
