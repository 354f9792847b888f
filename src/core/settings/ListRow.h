// ListRow: where one list of the settings file keeps its entries, keys `keyPrefix`N in
// `section`, and how an entry is written. The loader and the writers of a list go by the
// same row, so the names are spelled in one place.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "settings/IniFile.h"

namespace kesto {

enum class SettingList {
    FindFragments,
    FileFilters,
    SearchStrings,
    ReplaceStrings,
    BatchFiles,
    Excluded,
    Included,
    RecentFiles,  // the documents of the File menu
};

inline constexpr char kListEmptyMark = '\xA7';  // § in the single-byte code page

// How a list entry is written.
enum class ListValueFormat {
    Plain,             // "%s": read back without its end blanks
    Quoted,            // between double quotes: read back exactly
    QuotedEmptyAsMark  // as Quoted; the empty string is written as the mark § (code 167)
};

struct ListRow {
    SettingList list;
    std::string_view section;
    std::string_view keyPrefix;
    int firstNumber;  // in the key of the first entry
    ListValueFormat format;

    // The key of the entry at `position`, counted from 0.
    std::string KeyAt(int position) const {
        return std::string(keyPrefix) + std::to_string(firstNumber + position);
    }
};

const ListRow& RowOf(SettingList list);

// The entry as it is written in `format`.
std::string FormatListValue(std::string_view entry, ListValueFormat format);

// Writes the entry at `position` (from 0) of the list in the list's format; with no entry
// the key is deleted.
bool WriteListEntry(const IniFile& file, SettingList list, int position,
                    std::optional<std::string_view> entry);

}  // namespace kesto
