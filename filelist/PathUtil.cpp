#include "filelist/PathUtil.h"

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
