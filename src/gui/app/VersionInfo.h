// CVersionInfo: the program's version record, as the About box shows it.
//
// The record is compiled in from the build's project version; a record may also be given
// (tests, or a build without one). A missing value leaves its field empty.
#pragma once

#include <map>
#include <string>

namespace kesto {

using VersionRecord = std::map<std::string, std::string>;

class CVersionInfo {
public:
    // Reads the program's own record.
    CVersionInfo();
    explicit CVersionInfo(const VersionRecord& record);

    // Product name, "Version " with the short version, copyright line and company line.
    std::string GetAboutText() const;

    // The first three pieces of a version such as "1, 2, 3, 0" joined with ".".
    static std::string ShortVersionOf(const std::string& productVersion);
    // The record compiled into this program.
    static VersionRecord ProgramRecord();

    std::string m_strComments;
    std::string m_strCompanyName;
    std::string m_strFileDescription;
    std::string m_strFileVersion;
    std::string m_strInternalName;
    std::string m_strLegalCopyright;
    std::string m_strLegalTrademarks;
    std::string m_strOriginalFilename;
    std::string m_strProductName;
    std::string m_strProductVersion;
    std::string m_strShortVersion;
};

}  // namespace kesto
