#include "settings/ListRow.h"

#include <array>
#include <cstddef>

namespace kesto {
namespace {

using enum SettingList;
using enum ListValueFormat;

// The recent search and replace strings are quoted to keep their end blanks; an empty
// replacement is written as a mark because a list ends at its first empty key.
constexpr std::array kRows = {
    ListRow{FindFragments, "Recent Find Fragments", "FindFragments", 1, Plain},
    ListRow{FileFilters, "File Filters", "Filter", 1, Quoted},
    ListRow{SearchStrings, "Recent Search Strings", "SearchStr", 1, Quoted},
    ListRow{ReplaceStrings, "Recent Replace Strings", "ReplaceStr", 1, QuotedEmptyAsMark},
    ListRow{BatchFiles, "Recent Batch Files", "BatchFile", 1, Plain},
    ListRow{Excluded, "Excluded", "Exclude", 0, Plain},
    ListRow{Included, "Included", "Include", 0, Plain},
    ListRow{RecentFiles, "Recent File List", "File", 1, Plain},
};

// RowOf finds a row by its list's number.
constexpr bool RowsFollowTheLists() {
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        if (static_cast<std::size_t>(kRows[i].list) != i) return false;
    }
    return true;
}
static_assert(RowsFollowTheLists(), "the rows must be in the order of SettingList");
static_assert(kRows.size() == static_cast<std::size_t>(RecentFiles) + 1, "a list has no row");

}  // namespace

const ListRow& RowOf(SettingList list) {
    return kRows[static_cast<std::size_t>(list)];
}

std::string FormatListValue(std::string_view entry, ListValueFormat format) {
    if (format == Plain) return std::string(entry);
    if (format == QuotedEmptyAsMark && entry.empty())
        return std::string("\"") + kListEmptyMark + "\"";
    return "\"" + std::string(entry) + "\"";
}

bool WriteListEntry(const IniFile& file, SettingList list, int position,
                    std::optional<std::string_view> entry) {
    const ListRow& row = RowOf(list);
    if (!entry) return file.WriteString(row.section, row.KeyAt(position), std::nullopt);
    return file.WriteString(row.section, row.KeyAt(position), FormatListValue(*entry, row.format));
}

}  // namespace kesto
