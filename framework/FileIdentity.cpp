#include "framework/FileIdentity.h"

#include <algorithm>

#include "framework/Handles.h"
#include "portable/PathUtil.h"

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

// Adds the identities of `path` and the directories above it, as the path is written.
void AddChainAsWritten(std::wstring path, std::vector<FileIdentity>& chain) {
    for (;;) {
        if (const std::optional<FileIdentity> id = IdentityOf(path);
            id && std::find(chain.begin(), chain.end(), *id) == chain.end()) {
            chain.push_back(*id);
        }
        const std::wstring parent = GetParentDirectory(path);
        if (parent == path || RemoveTrailingBackslash(parent) == RemoveTrailingBackslash(path) ||
            parent.find(L"\\..\\") != std::wstring::npos) {
            return;
        }
        path = parent;
    }
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
    const FileHandle handle = OpenForIdentity(path);
    return handle.IsValid() ? IdentityOfHandle(handle.Get()) : std::nullopt;
}

std::vector<FileIdentity> IdentityChain(const std::wstring& path) {
    std::vector<FileIdentity> chain;
    const FileHandle handle = OpenForIdentity(path);
    if (!handle.IsValid()) {
        return chain;
    }
    std::wstring resolved(32768, L'\0');
    const DWORD length = ::GetFinalPathNameByHandleW(handle.Get(), resolved.data(), static_cast<DWORD>(resolved.size()),
                                                     FILE_NAME_NORMALIZED);
    if (length > 0 && length < resolved.size()) {
        resolved.resize(length);
        AddChainAsWritten(resolved, chain);
    }
    AddChainAsWritten(path, chain);
    return chain;
}

}  // namespace fw
