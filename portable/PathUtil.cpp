#include "portable/PathUtil.h"

namespace {

constexpr size_t kNone = std::string_view::npos;

bool IsDriveRoot(std::string_view s) {
    return s.size() == 3 && s[1] == ':' && s[2] == '\\';
}

}  // namespace

std::string GetExtensionUpper(std::string_view path) {
    const size_t dot = FindLastChar(path, '.');
    if (dot == kNone) {
        return {};
    }
    return UpperCaseAscii(path.substr(dot + 1));
}

std::string GetDirectoryPart(std::string_view path) {
    const size_t slash = FindLastChar(path, '\\');
    if (slash != kNone) {
        return std::string(path.substr(0, slash + 1));
    }
    if (FindLastChar(path, ':') != kNone) {
        return std::string{path[0], ':'};
    }
    return {};
}

std::string AddTrailingBackslash(std::string_view path) {
    if (path.size() == 2 && path[1] == ':') {
        return std::string(path);
    }
    const size_t slash = FindLastChar(path, '\\');
    if (slash != kNone && slash + 1 == path.size()) {
        return std::string(path);
    }
    std::string result(path);
    result += '\\';
    return result;
}

std::string RemoveTrailingBackslash(std::string_view path) {
    if (IsDriveRoot(path)) {
        return std::string(path);
    }
    const size_t slash = FindLastChar(path, '\\');
    if (slash != kNone && slash + 1 == path.size()) {
        return std::string(path.substr(0, slash));
    }
    return std::string(path);
}

std::string GetParentDirectory(std::string_view path) {
    if (IsDriveRoot(path)) {
        return std::string(path);
    }
    const std::string s = RemoveTrailingBackslash(path);
    const size_t slash = FindLastChar(s, '\\');
    if (slash != kNone) {
        return s.substr(0, slash + 1);
    }
    std::string result(path);
    result += "\\..\\";
    return result;
}

std::string GetFileNamePart(std::string_view path) {
    const size_t slash = FindLastChar(path, '\\');
    return std::string(slash == kNone ? path : path.substr(slash + 1));
}

std::string ReplaceExtension(std::string_view path, std::string_view ext) {
    const size_t dot = FindLastChar(path, '.');
    std::string result(dot == kNone ? path : path.substr(0, dot + 1));
    if (dot == kNone) {
        result += '.';
    }
    result += ext;
    return result;
}

bool IsPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    constexpr std::string_view kRefused = "\\/:*?\"<>|";
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (IsLeadByte(c) && i + 1 < name.size()) {
            ++i;  // the trail byte may be 0x5C and is no separator
        } else if (c < 0x20 || kRefused.find(name[i]) != kNone) {
            return false;
        }
    }
    return true;
}

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
