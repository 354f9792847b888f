#include "gui/app/VersionInfo.h"

#include <vector>

#ifndef KESTO_VERSION
#define KESTO_VERSION ""
#endif

namespace kesto {

namespace {

std::string Field(const VersionRecord& record, const char* name) {
    const auto found = record.find(name);
    return found == record.end() ? std::string() : found->second;
}

// "0.1.0" becomes "0, 1, 0, 0", the form a version record gives its product version in.
std::string RecordVersionOf(const std::string& dotted) {
    if (dotted.empty()) return {};
    std::string version;
    for (char c : dotted) version += c == '.' ? std::string(", ") : std::string(1, c);
    return version + ", 0";
}

}  // namespace

CVersionInfo::CVersionInfo() : CVersionInfo(ProgramRecord()) {
}

CVersionInfo::CVersionInfo(const VersionRecord& record)
    : m_strComments(Field(record, "Comments")),
      m_strCompanyName(Field(record, "CompanyName")),
      m_strFileDescription(Field(record, "FileDescription")),
      m_strFileVersion(Field(record, "FileVersion")),
      m_strInternalName(Field(record, "InternalName")),
      m_strLegalCopyright(Field(record, "LegalCopyright")),
      m_strLegalTrademarks(Field(record, "LegalTrademarks")),
      m_strOriginalFilename(Field(record, "OriginalFilename")),
      m_strProductName(Field(record, "ProductName")),
      m_strProductVersion(Field(record, "ProductVersion")),
      m_strShortVersion(ShortVersionOf(m_strProductVersion)) {
}

std::string CVersionInfo::GetAboutText() const {
    return m_strProductName + "\nVersion " + m_strShortVersion + "\n" + m_strLegalCopyright + "\n" +
           m_strCompanyName;
}

std::string CVersionInfo::ShortVersionOf(const std::string& productVersion) {
    std::vector<std::string> pieces;
    std::string piece;
    for (char c : productVersion) {
        if (c == ' ' || c == ',') {
            if (!piece.empty()) pieces.push_back(std::move(piece));
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.empty()) pieces.push_back(std::move(piece));
    std::string shortVersion;
    for (std::size_t i = 0; i < pieces.size() && i < 3; ++i) {
        if (i > 0) shortVersion += '.';
        shortVersion += pieces[i];
    }
    return shortVersion;
}

VersionRecord CVersionInfo::ProgramRecord() {
    const std::string version = RecordVersionOf(KESTO_VERSION);
    return {
        {"Comments", "Searches many text files and replaces in place, keeping backups."},
        {"CompanyName", "The Kesto developers"},
        {"FileDescription", "Kesto search and replace"},
        {"FileVersion", version},
        {"InternalName", "kesto"},
        {"LegalCopyright", "Copyright (C) 2026 The Kesto developers"},
        {"OriginalFilename", "kesto"},
        {"ProductName", "Kesto"},
        {"ProductVersion", version},
    };
}

}  // namespace kesto
