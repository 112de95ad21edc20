#pragma once
// An initialisation file (sections of key=value lines) read and written through the
// platform's private-profile functions. Sections, keys and values are code-page-932 texts
// and the file keeps them in that code page; the file's path is given exactly (UTF-16).
#include <optional>
#include <string>
#include <vector>

namespace fw {

// A key's value whole, whatever its length; `fallback` when the key, its section or the
// file is missing. A key present with an empty value gives the empty text.
std::string ReadProfileString(const std::wstring& path, const char* section, const char* key,
                              const std::string& fallback);
// The lines of a section as the file holds them ("key=value"), in file order; none when
// the section or the file is missing.
std::vector<std::string> ReadProfileSection(const std::wstring& path, const char* section);

// One change of a file: a key set to a value, a key deleted, or every line of a section
// replaced (the section keeps its place in the file).
struct ProfileEdit {
    static ProfileEdit Set(std::string section, std::string key, std::string value);
    static ProfileEdit Delete(std::string section, std::string key);
    static ProfileEdit ReplaceSection(std::string section, std::vector<std::string> lines);

    std::string section;
    std::string key;                   // empty for a replaced section
    std::optional<std::string> value;  // none for a deleted key
    std::vector<std::string> lines;    // a replaced section's "key=value" lines
};

// Applies the edits in order to a copy of the file, which then replaces the file in one
// step: a failed write leaves the previous file whole, and every other section and key
// stays as it was. Where no copy can be made beside the file, it is edited in place.
// False when the file could not be written.
bool WriteProfile(const std::wstring& path, const std::vector<ProfileEdit>& edits);

}  // namespace fw
