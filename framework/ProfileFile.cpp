#include "framework/ProfileFile.h"

#include <windows.h>

#include "framework/WideText.h"

// The wide profile functions keep a file without a byte-order mark in the ANSI code page,
// as the A functions do (these convert to UTF-16 and call them): the file's bytes are the
// same either way, and its path may hold any character.
namespace fw {

namespace {

// Removes a temporary file, also when copying made it read-only.
void RemoveTempFile(const wchar_t* path) {
    ::SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path);
}

// The folder of a file, with its trailing backslash; empty when the path cannot be resolved.
std::wstring FolderOf(const std::wstring& path) {
    std::wstring full(MAX_PATH, L'\0');
    for (int round = 0; round < 2; ++round) {
        wchar_t* filePart = nullptr;
        const DWORD len = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), &filePart);
        if (len == 0) {
            return {};
        }
        if (len < full.size()) {
            return filePart != nullptr ? std::wstring(full.data(), static_cast<size_t>(filePart - full.data()))
                                       : std::wstring();
        }
        full.assign(len + 1, L'\0');
    }
    return {};
}

// Each write of the platform rewrites the whole file: a section of many keys is written
// in one go.
bool ApplyEdit(const wchar_t* file, const ProfileEdit& e) {
    const std::wstring section = Widen932(e.section);
    if (!e.key.empty()) {
        const std::wstring key = Widen932(e.key);
        const std::wstring value = e.value ? Widen932(*e.value) : std::wstring();
        return ::WritePrivateProfileStringW(section.c_str(), key.c_str(), e.value ? value.c_str() : nullptr, file) !=
               FALSE;
    }
    // The lines, each ended by a NUL, and one more NUL after the last.
    std::wstring block;
    for (const std::string& line : e.lines) {
        block += Widen932(line);
        block += L'\0';
    }
    block += L'\0';
    return ::WritePrivateProfileSectionW(section.c_str(), block.c_str(), file) != FALSE;
}

bool ApplyEdits(const wchar_t* file, const std::vector<ProfileEdit>& edits) {
    bool written = true;
    for (const ProfileEdit& e : edits) {
        written = ApplyEdit(file, e) && written;
    }
    // Flush the profile cache to the file before anything else touches it.
    ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, file);
    return written;
}

}  // namespace

std::string ReadProfileString(const std::wstring& path, const char* section, const char* key,
                              const std::string& fallback) {
    const std::wstring wideSection = Widen932(section);
    const std::wstring wideKey = Widen932(key);
    const std::wstring wideFallback = Widen932(fallback);
    // A value that fills the buffer may have been cut: read again with room to spare.
    std::wstring value(256, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(value.size());
        const DWORD len = ::GetPrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), wideFallback.c_str(),
                                                     value.data(), size, path.c_str());
        if (len + 1 < size || size >= (1u << 30)) {
            value.resize(len < size ? len : 0);
            return Narrow932Lossy(value);
        }
        value.assign(static_cast<size_t>(size) * 2, L'\0');
    }
}

std::vector<std::string> ReadProfileSection(const std::wstring& path, const char* section) {
    const std::wstring wideSection = Widen932(section);
    // A section that does not fit is cut and its size given as the buffer's less two.
    std::wstring block(4096, L'\0');
    DWORD len = 0;
    for (;;) {
        const DWORD size = static_cast<DWORD>(block.size());
        len = ::GetPrivateProfileSectionW(wideSection.c_str(), block.data(), size, path.c_str());
        if (len + 2 < size || size >= (1u << 30)) {
            break;
        }
        block.assign(static_cast<size_t>(size) * 2, L'\0');
    }
    std::vector<std::string> lines;
    for (size_t at = 0; at < len && at < block.size() && block[at] != L'\0';) {
        const size_t end = block.find(L'\0', at);
        lines.push_back(Narrow932Lossy(std::wstring_view(block).substr(at, end - at)));
        at = end + 1;
    }
    return lines;
}

ProfileEdit ProfileEdit::Set(std::string section, std::string key, std::string value) {
    return {std::move(section), std::move(key), std::move(value), {}};
}

ProfileEdit ProfileEdit::Delete(std::string section, std::string key) {
    return {std::move(section), std::move(key), std::nullopt, {}};
}

ProfileEdit ProfileEdit::ReplaceSection(std::string section, std::vector<std::string> lines) {
    return {std::move(section), {}, std::nullopt, std::move(lines)};
}

// The edits go to a copy of the file, which then replaces it in one step; the copy is
// removed whatever goes wrong.
bool WriteProfile(const std::wstring& path, const std::vector<ProfileEdit>& edits) {
    const std::wstring dir = FolderOf(path);
    wchar_t temp[MAX_PATH + 16] = {};
    if (dir.empty() || dir.size() >= MAX_PATH - 14 || ::GetTempFileNameW(dir.c_str(), L"ixo", 0, temp) == 0) {
        return ApplyEdits(path.c_str(), edits);
    }
    // The copy takes the file's attributes, which must not stop it from being written.
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (!::CopyFileW(path.c_str(), temp, FALSE)) {
            RemoveTempFile(temp);
            return false;
        }
        ::SetFileAttributesW(temp, FILE_ATTRIBUTE_NORMAL);
    }
    if (!ApplyEdits(temp, edits) ||
        !::MoveFileExW(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        RemoveTempFile(temp);
        return false;
    }
    return true;
}

}  // namespace fw
