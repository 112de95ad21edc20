#include "regdirs/RegisteredDirsFile.h"

#include <set>

#include "framework/ProfileFile.h"
#include "regdirs/DirKeys.h"

namespace {

constexpr char kNumSection[] = "RegistedDirNum";
constexpr char kPathSection[] = "RegistedDirPath";
constexpr char kNameSection[] = "RegistedDirName";

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::string KeyOfLine(const std::string& line) {
    return LowerAscii(line.substr(0, line.find('=')));
}

// The keys a section holds, compared as the file compares them: ignoring case.
std::set<std::string> KeysIn(const std::wstring& ini, const char* section) {
    std::set<std::string> keys;
    for (const std::string& line : fw::ReadProfileSection(ini, section)) {
        keys.insert(KeyOfLine(line));
    }
    return keys;
}

// A section's lines without the keys of registrations 0 .. count - 1, then `values` under
// the keys from 0: what deleting those keys and writing the new ones one by one leaves.
std::vector<std::string> RenumberedSection(const std::wstring& ini, const char* section, int count,
                                           const std::vector<std::string>& values) {
    std::set<std::string> dropped;
    for (int k = 0; k < count; ++k) {
        dropped.insert(LowerAscii(MakeDirKey(k)));
    }
    std::vector<std::string> lines;
    for (const std::string& line : fw::ReadProfileSection(ini, section)) {
        if (dropped.count(KeyOfLine(line)) == 0) {
            lines.push_back(line);
        }
    }
    for (size_t m = 0; m < values.size(); ++m) {
        lines.push_back(MakeDirKey(static_cast<int>(m)) + "=" + values[m]);
    }
    return lines;
}

}  // namespace

int CRegisteredDirsFile::ReadCount() const {
    return ParseRegistrationCount(fw::ReadProfileString(m_strIniPath, kNumSection, "Num", "0"));
}

// Only the keys the file holds are read one by one; the others are empty without asking.
std::vector<CRegisteredDirsFile::Registration> CRegisteredDirsFile::ReadAll() const {
    const int n = ReadCount();
    std::vector<Registration> all(static_cast<size_t>(n));
    if (n == 0) {
        return all;
    }
    const std::set<std::string> paths = KeysIn(m_strIniPath, kPathSection);
    const std::set<std::string> names = KeysIn(m_strIniPath, kNameSection);
    for (int k = 0; k < n; ++k) {
        const std::string key = MakeDirKey(k);
        const std::string lower = LowerAscii(key);
        Registration& r = all[static_cast<size_t>(k)];
        if (paths.count(lower) != 0) {
            r.path = fw::ReadProfileString(m_strIniPath, kPathSection, key.c_str(), "");
        }
        if (names.count(lower) != 0) {
            r.name = fw::ReadProfileString(m_strIniPath, kNameSection, key.c_str(), "");
        }
    }
    return all;
}

bool CRegisteredDirsFile::Add(int k, const Registration& registration) const {
    const std::string key = MakeDirKey(k);
    return fw::WriteProfile(m_strIniPath, {fw::ProfileEdit::Set(kNumSection, "Num", IntToText(k + 1)),
                                           fw::ProfileEdit::Set(kPathSection, key, registration.path),
                                           fw::ProfileEdit::Set(kNameSection, key, registration.name)});
}

bool CRegisteredDirsFile::Rewrite(int k, const Registration& registration) const {
    const std::string key = MakeDirKey(k);
    return fw::WriteProfile(m_strIniPath, {fw::ProfileEdit::Set(kPathSection, key, registration.path),
                                           fw::ProfileEdit::Set(kNameSection, key, registration.name)});
}

bool CRegisteredDirsFile::ReplaceAll(int oldCount, const std::vector<Registration>& kept) const {
    std::vector<std::string> paths;
    std::vector<std::string> names;
    for (const Registration& r : kept) {
        paths.push_back(r.path);
        names.push_back(r.name);
    }
    return fw::WriteProfile(
        m_strIniPath,
        {fw::ProfileEdit::ReplaceSection(kPathSection, RenumberedSection(m_strIniPath, kPathSection, oldCount, paths)),
         fw::ProfileEdit::ReplaceSection(kNameSection, RenumberedSection(m_strIniPath, kNameSection, oldCount, names)),
         fw::ProfileEdit::Set(kNumSection, "Num", IntToText(static_cast<int>(kept.size())))});
}
