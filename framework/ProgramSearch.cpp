#include "framework/ProgramSearch.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "framework/WinApp.h"

namespace fw {
namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// "C:\..." or "\\server\..." (also "\\?\..."): a path that does not depend on the
// working directory or the current drive.
bool IsFullPath(std::wstring_view path) {
    if (path.size() >= 3 && path[1] == L':' && IsSeparator(path[2]) &&
        ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'))) {
        return true;
    }
    return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The name the system looks for: ".exe" added when the last component has no extension.
std::wstring WithExtension(std::wstring_view name) {
    const size_t lastPart = name.find_last_of(L"\\/:");
    const std::wstring_view file = lastPart == std::wstring_view::npos ? name : name.substr(lastPart + 1);
    std::wstring result(name);
    if (file.find(L'.') == std::wstring_view::npos) {
        result += L".exe";
    }
    return result;
}

std::wstring FolderOf(UINT (*get)(LPWSTR, UINT)) {
    wchar_t dir[MAX_PATH + 1] = {};
    const UINT length = get(dir, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(dir, length) : std::wstring();
}

UINT SystemFolder(LPWSTR buffer, UINT size) {
    return ::GetSystemDirectoryW(buffer, size);
}

UINT WindowsFolder(LPWSTR buffer, UINT size) {
    return ::GetWindowsDirectoryW(buffer, size);
}

// The folders a bare name is searched in, in the system's order without the working
// directory; a relative PATH entry (".", "bin") is the working directory too and is left out.
std::vector<std::wstring> SearchFolders() {
    std::vector<std::wstring> folders;
    const std::wstring exe = ExecutablePath();
    const size_t slash = exe.find_last_of(L'\\');
    if (slash != std::wstring::npos) {
        folders.push_back(exe.substr(0, slash));
    }
    folders.push_back(FolderOf(SystemFolder));
    folders.push_back(FolderOf(WindowsFolder));
    const DWORD needed = ::GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (needed > 0) {
        std::wstring path(needed, L'\0');
        const DWORD length = ::GetEnvironmentVariableW(L"PATH", path.data(), needed);
        path.resize(length < needed ? length : 0);
        size_t start = 0;
        while (start <= path.size()) {
            const size_t end = std::min(path.find(L';', start), path.size());
            std::wstring entry = path.substr(start, end - start);
            if (entry.size() >= 2 && entry.front() == L'"' && entry.back() == L'"') {
                entry = entry.substr(1, entry.size() - 2);
            }
            if (IsFullPath(entry)) {
                folders.push_back(entry);
            }
            start = end + 1;
        }
    }
    std::erase_if(folders, [](const std::wstring& folder) { return folder.empty(); });
    return folders;
}

}  // namespace

std::optional<std::wstring> FindProgram(std::wstring_view name) {
    if (name.empty() || name.find(L'\0') != std::wstring_view::npos) {
        return std::nullopt;
    }
    const std::wstring file = WithExtension(name);
    if (IsFullPath(name)) {
        return IsFile(file) ? std::optional<std::wstring>(file) : std::nullopt;
    }
    if (name.find_first_of(L"\\/:") != std::wstring_view::npos) {
        return std::nullopt;
    }
    for (std::wstring folder : SearchFolders()) {
        if (!IsSeparator(folder.back())) {
            folder += L'\\';
        }
        if (IsFile(folder + file)) {
            return folder + file;
        }
    }
    return std::nullopt;
}

std::optional<std::wstring> WithFoundProgram(std::wstring_view commandLine) {
    const size_t first = commandLine.find_first_not_of(L" \t");
    commandLine.remove_prefix(first == std::wstring_view::npos ? commandLine.size() : first);
    const auto quoted = [](const std::wstring& program, std::wstring_view rest) {
        return L'"' + program + L'"' + std::wstring(rest);
    };
    if (!commandLine.empty() && commandLine.front() == L'"') {
        const size_t close = commandLine.find(L'"', 1);
        if (close == std::wstring_view::npos) {
            return std::nullopt;
        }
        const std::optional<std::wstring> program = FindProgram(commandLine.substr(1, close - 1));
        return program ? std::optional<std::wstring>(quoted(*program, commandLine.substr(close + 1))) : std::nullopt;
    }
    for (size_t end = commandLine.find_first_of(L" \t");; end = commandLine.find_first_of(L" \t", end + 1)) {
        const std::wstring_view name = commandLine.substr(0, end);
        if (const std::optional<std::wstring> program = FindProgram(name)) {
            return quoted(*program, end == std::wstring_view::npos ? std::wstring_view() : commandLine.substr(end));
        }
        if (end == std::wstring_view::npos) {
            return std::nullopt;
        }
    }
}

}  // namespace fw
