#include "framework/ProfileFile.h"

#include <windows.h>

namespace fw {

namespace {

// Removes a temporary file, also when copying made it read-only.
void RemoveTempFile(const char* path) {
    ::SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path);
}

// The folder of a file, found by the system (which knows which bytes of a code-page-932
// path are separators); empty when the path cannot be resolved.
std::string FolderOf(const std::string& path) {
    std::string full(MAX_PATH, '\0');
    for (int round = 0; round < 2; ++round) {
        char* filePart = nullptr;
        const DWORD len = ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), &filePart);
        if (len == 0) {
            return {};
        }
        if (len < full.size()) {
            return filePart != nullptr ? std::string(full.data(), static_cast<size_t>(filePart - full.data()))
                                       : std::string();
        }
        full.assign(len + 1, '\0');
    }
    return {};
}

// Each write of the platform rewrites the whole file: a section of many keys is written
// in one go.
bool ApplyEdit(const char* file, const ProfileEdit& e) {
    if (!e.key.empty()) {
        const char* value = e.value ? e.value->c_str() : nullptr;
        return ::WritePrivateProfileStringA(e.section.c_str(), e.key.c_str(), value, file) != FALSE;
    }
    // The lines, each ended by a NUL, and one more NUL after the last.
    std::string block;
    for (const std::string& line : e.lines) {
        block += line;
        block += '\0';
    }
    block += '\0';
    return ::WritePrivateProfileSectionA(e.section.c_str(), block.c_str(), file) != FALSE;
}

bool ApplyEdits(const char* file, const std::vector<ProfileEdit>& edits) {
    bool written = true;
    for (const ProfileEdit& e : edits) {
        written = ApplyEdit(file, e) && written;
    }
    // Flush the profile cache to the file before anything else touches it.
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, file);
    return written;
}

}  // namespace

std::string ReadProfileString(const std::string& path, const char* section, const char* key,
                              const std::string& fallback) {
    // A value that fills the buffer may have been cut: read again with room to spare.
    std::string value(256, '\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(value.size());
        const DWORD len = ::GetPrivateProfileStringA(section, key, fallback.c_str(), value.data(), size, path.c_str());
        if (len + 1 < size || size >= (1u << 30)) {
            value.resize(len < size ? len : 0);
            return value;
        }
        value.assign(static_cast<size_t>(size) * 2, '\0');
    }
}

std::vector<std::string> ReadProfileSection(const std::string& path, const char* section) {
    // A section that does not fit is cut and its size given as the buffer's less two.
    std::string block(4096, '\0');
    DWORD len = 0;
    for (;;) {
        const DWORD size = static_cast<DWORD>(block.size());
        len = ::GetPrivateProfileSectionA(section, block.data(), size, path.c_str());
        if (len + 2 < size || size >= (1u << 30)) {
            break;
        }
        block.assign(static_cast<size_t>(size) * 2, '\0');
    }
    std::vector<std::string> lines;
    for (size_t at = 0; at < len && at < block.size() && block[at] != '\0';) {
        const size_t end = block.find('\0', at);
        lines.push_back(block.substr(at, end - at));
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
bool WriteProfile(const std::string& path, const std::vector<ProfileEdit>& edits) {
    const std::string dir = FolderOf(path);
    char temp[MAX_PATH + 16] = {};
    if (dir.empty() || dir.size() >= MAX_PATH - 14 || ::GetTempFileNameA(dir.c_str(), "ixo", 0, temp) == 0) {
        return ApplyEdits(path.c_str(), edits);
    }
    // The copy takes the file's attributes, which must not stop it from being written.
    if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (!::CopyFileA(path.c_str(), temp, FALSE)) {
            RemoveTempFile(temp);
            return false;
        }
        ::SetFileAttributesA(temp, FILE_ATTRIBUTE_NORMAL);
    }
    if (!ApplyEdits(temp, edits) ||
        !::MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        RemoveTempFile(temp);
        return false;
    }
    return true;
}

}  // namespace fw
