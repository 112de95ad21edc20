#include "framework/FileIdentity.h"

#include "framework/Handles.h"

namespace fw {

std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
    // No access is asked for: a file another program holds open still tells who it is.
    const FileHandle file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.IsValid() || !::GetFileInformationByHandle(file.Get(), &info)) {
        return std::nullopt;
    }
    return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

}  // namespace fw
