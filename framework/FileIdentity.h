#pragma once
// What tells a file or a directory apart whatever its path is spelled like: its volume and
// its file index. Two spellings of one directory (another letter case, a short name, a
// drive letter that stands for a folder, a link) have one identity.
#include <windows.h>

#include <optional>
#include <string>

namespace fw {

struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the file or directory at `path`; none when it cannot be opened.
std::optional<FileIdentity> IdentityOf(const std::wstring& path);

// The path the system resolves `path` to (what a drive letter or a link stands for);
// none when it cannot be opened or resolved.
std::optional<std::wstring> ResolvedPath(const std::wstring& path);

}  // namespace fw
