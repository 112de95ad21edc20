#include "portable/PathUtil.h"

namespace {

constexpr size_t kNoUnit = std::wstring_view::npos;

bool IsDriveRoot(std::wstring_view s) {
    return s.size() == 3 && s[1] == L':' && s[2] == L'\\';
}

}  // namespace

std::wstring UpperCaseAscii(std::wstring_view s) {
    std::wstring upper(s);
    for (wchar_t& c : upper) {
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
    }
    return upper;
}

std::wstring GetExtensionUpper(std::wstring_view path) {
    const size_t dot = path.rfind(L'.');
    return dot == kNoUnit ? std::wstring() : UpperCaseAscii(path.substr(dot + 1));
}

std::wstring GetDirectoryPart(std::wstring_view path) {
    const size_t slash = path.rfind(L'\\');
    if (slash != kNoUnit) {
        return std::wstring(path.substr(0, slash + 1));
    }
    if (path.find(L':') != kNoUnit) {
        return std::wstring{path[0], L':'};
    }
    return {};
}

std::wstring AddTrailingBackslash(std::wstring_view path) {
    std::wstring result(path);
    if ((path.size() == 2 && path[1] == L':') || (!path.empty() && path.back() == L'\\')) {
        return result;
    }
    result += L'\\';
    return result;
}

std::wstring RemoveTrailingBackslash(std::wstring_view path) {
    if (IsDriveRoot(path) || path.empty() || path.back() != L'\\') {
        return std::wstring(path);
    }
    return std::wstring(path.substr(0, path.size() - 1));
}

std::wstring GetParentDirectory(std::wstring_view path) {
    if (IsDriveRoot(path)) {
        return std::wstring(path);
    }
    const std::wstring s = RemoveTrailingBackslash(path);
    const size_t slash = s.rfind(L'\\');
    if (slash != kNoUnit) {
        return s.substr(0, slash + 1);
    }
    std::wstring result(path);
    result += L"\\..\\";
    return result;
}

std::wstring GetFileNamePart(std::wstring_view path) {
    const size_t slash = path.rfind(L'\\');
    return std::wstring(slash == kNoUnit ? path : path.substr(slash + 1));
}

std::wstring ReplaceExtension(std::wstring_view path, std::wstring_view ext) {
    const size_t dot = path.rfind(L'.');
    std::wstring result(dot == kNoUnit ? path : path.substr(0, dot + 1));
    if (dot == kNoUnit) {
        result += L'.';
    }
    result += ext;
    return result;
}

bool IsPlainFileName(std::wstring_view name) {
    if (name.empty() || name == L"." || name == L"..") {
        return false;
    }
    constexpr std::wstring_view kRefused = L"\\/:*?\"<>|";
    for (const wchar_t c : name) {
        if (static_cast<unsigned long>(c) < 0x20 || kRefused.find(c) != kNoUnit) {
            return false;
        }
    }
    return true;
}
