#include "framework/FileMove.h"

#include <windows.h>

namespace fw {
namespace {

// Removes the copy a failed move made. The copy took over the source's attributes, and a
// read-only file cannot be deleted.
bool RemoveCopy(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    return ::DeleteFileW(path.c_str()) != FALSE;
}

}  // namespace

bool MoveFileNoReplace(const std::wstring& from, const std::wstring& to, bool* copyLeft) {
    if (copyLeft != nullptr) {
        *copyLeft = false;
    }
    // No flags: neither a copy nor a replacement. The system's own copy across volumes
    // can leave the copy behind when the source stays, and report the move done or not.
    if (::MoveFileExW(from.c_str(), to.c_str(), 0)) {
        return true;
    }
    if (::GetLastError() != ERROR_NOT_SAME_DEVICE) {
        return false;
    }
    const DWORD attributes = ::GetFileAttributesW(from.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ::SetLastError(ERROR_NOT_SAME_DEVICE);
        return false;
    }
    if (!::CopyFileW(from.c_str(), to.c_str(), TRUE)) {
        return false;
    }
    if (::DeleteFileW(from.c_str())) {
        return true;
    }
    const DWORD error = ::GetLastError();
    if (!RemoveCopy(to) && copyLeft != nullptr) {
        *copyLeft = true;
    }
    ::SetLastError(error);
    return false;
}

}  // namespace fw
