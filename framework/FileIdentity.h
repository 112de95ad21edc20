#pragma once
// What tells a file or a directory apart however its path is spelled (another letter case,
// a short name, a link to its folder, a hard link): its volume and its file index.
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

}  // namespace fw
