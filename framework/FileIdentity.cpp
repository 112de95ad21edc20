#include "framework/FileIdentity.h"

#include "framework/Handles.h"

namespace fw {

namespace {

FileHandle OpenForIdentity(const std::wstring& path) {
    return FileHandle(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

std::optional<FileIdentity> IdentityOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (handle == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(handle, &info)) {
        return std::nullopt;
    }
    return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
    const FileHandle handle = OpenForIdentity(path);
    return handle.IsValid() ? IdentityOfHandle(handle.Get()) : std::nullopt;
}

std::optional<std::wstring> ResolvedPath(const std::wstring& path) {
    const FileHandle handle = OpenForIdentity(path);
    if (!handle.IsValid()) {
        return std::nullopt;
    }
    std::wstring resolved(32768, L'\0');
    const DWORD length = ::GetFinalPathNameByHandleW(handle.Get(), resolved.data(), static_cast<DWORD>(resolved.size()),
                                                     FILE_NAME_NORMALIZED);
    if (length == 0 || length >= resolved.size()) {
        return std::nullopt;
    }
    resolved.resize(length);
    return resolved;
}

}  // namespace fw
