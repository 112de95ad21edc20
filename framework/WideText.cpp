#include "framework/WideText.h"

namespace fw {

std::optional<std::wstring> ToWide(std::string_view text, UINT codePage) {
    if (text.empty()) {
        return std::wstring();
    }
    const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    const int size = static_cast<int>(text.size());
    const int chars = ::MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    if (chars <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<size_t>(chars), L'\0');
    if (::MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), chars) != chars) {
        return std::nullopt;
    }
    return wide;
}

std::string FromWide(std::wstring_view text, UINT codePage) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return {};
    }
    std::string result(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), size, result.data(), bytes, nullptr, nullptr);
    return result;
}

}  // namespace fw
