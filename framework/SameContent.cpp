#include "framework/SameContent.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "framework/Handles.h"

namespace fw {

namespace {

constexpr DWORD kChunkBytes = 256 * 1024;

FileHandle OpenToRead(const std::wstring& path) {
    return FileHandle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// Reads exactly `size` bytes, unless the file ends or fails first.
bool ReadExactly(HANDLE file, char* into, DWORD size) {
    DWORD done = 0;
    while (done < size) {
        DWORD got = 0;
        if (!::ReadFile(file, into + done, size - done, &got, nullptr) || got == 0) {
            return false;
        }
        done += got;
    }
    return true;
}

}  // namespace

bool HoldSameBytes(const std::wstring& a, const std::wstring& b) {
    const FileHandle first = OpenToRead(a);
    const FileHandle second = OpenToRead(b);
    BY_HANDLE_FILE_INFORMATION infoA{};
    BY_HANDLE_FILE_INFORMATION infoB{};
    if (!first.IsValid() || !second.IsValid() || !::GetFileInformationByHandle(first.Get(), &infoA) ||
        !::GetFileInformationByHandle(second.Get(), &infoB)) {
        return false;
    }
    if ((infoA.dwFileAttributes | infoB.dwFileAttributes) & FILE_ATTRIBUTE_DIRECTORY) {
        return false;
    }
    const bool oneFile = infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
                         infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
    const ULONGLONG size = (ULONGLONG{infoA.nFileSizeHigh} << 32) | infoA.nFileSizeLow;
    if (oneFile || infoA.nFileSizeHigh != infoB.nFileSizeHigh || infoA.nFileSizeLow != infoB.nFileSizeLow) {
        return false;
    }
    std::vector<char> bufferA(kChunkBytes);
    std::vector<char> bufferB(kChunkBytes);
    for (ULONGLONG left = size; left > 0;) {
        const DWORD chunk = left < kChunkBytes ? static_cast<DWORD>(left) : kChunkBytes;
        if (!ReadExactly(first.Get(), bufferA.data(), chunk) || !ReadExactly(second.Get(), bufferB.data(), chunk) ||
            std::memcmp(bufferA.data(), bufferB.data(), chunk) != 0) {
            return false;
        }
        left -= chunk;
    }
    return true;
}

}  // namespace fw
