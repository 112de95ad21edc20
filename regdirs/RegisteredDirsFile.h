#pragma once
// The registered directories in the settings file: the count in "RegistedDirNum" / "Num",
// and registration k's path and display name under the key "Dir" + k in
// "RegistedDirPath" and "RegistedDirName". The rest of the file is never touched. Every
// change reaches the file at once, in one step.
#include <string>
#include <vector>

class CRegisteredDirsFile {
public:
    struct Registration {
        std::string path;
        std::string name;
    };

    explicit CRegisteredDirsFile(std::wstring iniPath) : m_strIniPath(std::move(iniPath)) {}

    // The count as the file gives it: 0 when it is missing, not a number or not greater
    // than 0; at most kMaxRegistrations.
    int ReadCount() const;
    // Registrations 0 .. ReadCount() - 1, each read whole; a missing path or name is empty.
    std::vector<Registration> ReadAll() const;

    // Writes registration k as the last one: the count k + 1, then its path and name.
    bool Add(int k, const Registration& registration) const;
    // Writes the path and name of registration k; the count stays as it is.
    bool Rewrite(int k, const Registration& registration) const;
    // Deletes the keys of registrations 0 .. oldCount - 1, writes `kept` under the keys
    // from 0 in the order given, then the new count.
    bool ReplaceAll(int oldCount, const std::vector<Registration>& kept) const;

private:
    std::wstring m_strIniPath;
};
