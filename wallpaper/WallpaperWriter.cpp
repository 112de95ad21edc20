#include "wallpaper/WallpaperWriter.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "framework/Handles.h"
#include "portable/PathUtil.h"
#include "wallpaper/WallpaperLayout.h"

namespace {

// Rows are written in chunks of about this size (at least one row).
constexpr uint64_t kChunkBytes = 1u << 20;

bool WriteAll(HANDLE file, const uint8_t* data, size_t size) {
    while (size > 0) {
        const DWORD want = static_cast<DWORD>(std::min<size_t>(size, kChunkBytes * 16));
        DWORD written = 0;
        if (!::WriteFile(file, data, want, &written, nullptr) || written != want) {
            return false;
        }
        data += want;
        size -= want;
    }
    return true;
}

bool WriteFileBody(HANDLE file, const wallpaper::Layout& layout, const CPicture& picture) {
    const std::vector<uint8_t> headers = wallpaper::MakeHeaders(layout, picture.InfoBytes());
    if (!WriteAll(file, headers.data(), headers.size())) {
        return false;
    }
    const uint64_t rowsPerChunk = std::max<uint64_t>(1, kChunkBytes / layout.rowBytes);
    const uint64_t chunkBytes = rowsPerChunk * layout.rowBytes;
    if (chunkBytes > SIZE_MAX) {
        return false;
    }
    std::unique_ptr<uint8_t[]> chunk(new (std::nothrow) uint8_t[static_cast<size_t>(chunkBytes)]);
    if (!chunk) {
        return false;
    }
    const uint64_t rows = static_cast<uint64_t>(layout.canvas.height);
    for (uint64_t row = 0; row < rows; row += rowsPerChunk) {
        const uint64_t count = std::min(rowsPerChunk, rows - row);
        for (uint64_t i = 0; i < count; ++i) {
            const size_t at = static_cast<size_t>(i * layout.rowBytes);
            wallpaper::FillRow(layout, picture.Bits(), row + i, {chunk.get() + at, static_cast<size_t>(layout.rowBytes)});
        }
        if (!WriteAll(file, chunk.get(), static_cast<size_t>(count * layout.rowBytes))) {
            return false;
        }
    }
    return true;
}

// Whether the file at `target` is one the wallpaper keys wrote, told by the mark in its
// file header: any other file of that name (a picture the user sorted there, a BMP of
// another program) is not theirs to replace.
bool IsOwnWallpaper(const std::wstring& target) {
    fw::FileHandle file(::CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    uint8_t header[wallpaper::kFileHeaderBytes] = {};
    DWORD got = 0;
    return file.IsValid() && ::ReadFile(file.Get(), header, sizeof header, &got, nullptr) && got == sizeof header &&
           wallpaper::IsWallpaperFile(header);
}

// Whether a write may end in the target's place: a free name, or a file of the
// wallpaper keys that may be replaced (not read-only).
bool MayTakeName(const std::wstring& target, ExistingTarget existing) {
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    // A read-only file is not replaced (the system refuses it too, but not every one does).
    return existing == ExistingTarget::kReplace &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0 && IsOwnWallpaper(target);
}

}  // namespace

bool WriteWallpaperBmp(const CPicture& picture, int screenWidth, int screenHeight, const std::wstring& target,
                       ExistingTarget existing) {
    if (!MayTakeName(target, existing)) {
        return false;
    }
    wallpaper::Layout layout;
    if (!wallpaper::PlanWallpaper(picture.InfoBytes(), picture.Bits().size(), picture.Width(), picture.Height(), screenWidth,
                                  screenHeight, &layout)) {
        return false;
    }
    // The temporary file is made beside the target, so that the rename stays on one volume.
    const std::wstring dir = GetDirectoryPart(target);
    wchar_t temp[MAX_PATH + 16] = {};
    if (dir.empty() || dir.size() >= MAX_PATH - 14 || ::GetTempFileNameW(dir.c_str(), L"ixo", 0, temp) == 0) {
        return false;
    }
    fw::FileHandle file(::CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    bool written = file.IsValid() && WriteFileBody(file.Get(), layout, picture);
    // A close can fail too (a delayed write on a full or remote volume).
    if (file.IsValid()) {
        written = ::CloseHandle(file.Release()) != FALSE && written;
    }
    // Asked again just before the rename: a file may have taken the name while the picture
    // was written. Without MOVEFILE_REPLACE_EXISTING a file that took the name meanwhile is
    // kept too.
    const DWORD moveFlags =
        MOVEFILE_WRITE_THROUGH | (existing == ExistingTarget::kReplace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (!written || !MayTakeName(target, existing) || !::MoveFileExW(temp, target.c_str(), moveFlags)) {
        ::DeleteFileW(temp);
        return false;
    }
    return true;
}
