#include "portable/PathUtil.h"

namespace {

constexpr size_t kNoUnit = std::wstring_view::npos;

constexpr std::wstring_view kExactPrefix = L"\\\\?\\";
constexpr std::wstring_view kExactUncPrefix = L"\\\\?\\UNC\\";

// A drive's root, "C:\\", in the plain or the exact form.
bool IsDriveRoot(std::wstring_view s) {
    if (s.starts_with(kExactPrefix)) {
        s.remove_prefix(kExactPrefix.size());
    }
    return s.size() == 3 && s[1] == L':' && s[2] == L'\\';
}

bool IsDriveLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// The device names of the system, which a plain path opens as the device whatever the
// folder and the extension: the name before its first dot, blanks after it ignored.
bool IsDeviceBase(std::wstring_view base) {
    while (!base.empty() && base.back() == L' ') {
        base.remove_suffix(1);
    }
    const std::wstring upper = UpperCaseAscii(base);
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
        if (upper == device) {
            return true;
        }
    }
    if (upper.size() != 4 || (upper.compare(0, 3, L"COM") != 0 && upper.compare(0, 3, L"LPT") != 0)) {
        return false;
    }
    // COM1-COM9 and LPT1-LPT9, and the superscript digits the system takes for them too.
    const wchar_t digit = upper[3];
    return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
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

bool IsDeviceName(std::wstring_view name) {
    const size_t dot = name.find(L'.');
    return IsDeviceBase(dot == kNoUnit ? name : name.substr(0, dot));
}

bool NameNeedsExactForm(std::wstring_view name) {
    return !name.empty() && name != L"." && name != L".." &&
           (name.back() == L'.' || name.back() == L' ' || IsDeviceName(name));
}

bool IsExactForm(std::wstring_view path) {
    return path.starts_with(kExactPrefix);
}

std::wstring SystemPath(std::wstring_view path) {
    if (IsExactForm(path)) {
        return std::wstring(path);
    }
    const bool drive = path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && path[2] == L'\\';
    const bool unc = path.size() > 2 && path[0] == L'\\' && path[1] == L'\\';
    if (!drive && !unc) {
        return std::wstring(path);  // relative: the system resolves it against the current directory
    }
    bool needed = false;
    for (size_t start = drive ? 3 : 2; start < path.size() && !needed;) {
        size_t end = path.find(L'\\', start);
        if (end == kNoUnit) {
            end = path.size();
        }
        needed = NameNeedsExactForm(path.substr(start, end - start));
        start = end + 1;
    }
    if (!needed) {
        return std::wstring(path);
    }
    return drive ? std::wstring(kExactPrefix) + std::wstring(path)
                 : std::wstring(kExactUncPrefix) + std::wstring(path.substr(2));
}

std::wstring DisplayPath(std::wstring_view path) {
    if (path.starts_with(kExactUncPrefix)) {
        return L"\\\\" + std::wstring(path.substr(kExactUncPrefix.size()));
    }
    if (path.starts_with(kExactPrefix)) {
        return std::wstring(path.substr(kExactPrefix.size()));
    }
    return std::wstring(path);
}
