#include "framework/WideText.h"

#include <climits>

namespace fw {

namespace {

// The system's conversions count in int: a longer text is refused whole.
bool FitsInt(size_t size) {
    return size <= static_cast<size_t>(INT_MAX);
}

std::optional<std::wstring> Widen(std::string_view text, UINT codePage, DWORD flags) {
    if (text.empty()) {
        return std::wstring();
    }
    if (!FitsInt(text.size())) {
        return std::nullopt;
    }
    // No byte encoding gives more UTF-16 units than it has bytes: one pass does (the file
    // list converts every name it shows).
    const int size = static_cast<int>(text.size());
    std::wstring wide(text.size(), L'\0');
    const int chars = ::MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), size);
    if (chars <= 0) {
        return std::nullopt;
    }
    wide.resize(static_cast<size_t>(chars));
    return wide;
}

// `usedDefault` is asked for only where the code page allows it (not for UTF-8).
std::optional<std::string> Narrow(std::wstring_view text, UINT codePage, DWORD flags, BOOL* usedDefault) {
    if (text.empty()) {
        return std::string();
    }
    if (!FitsInt(text.size())) {
        return std::nullopt;
    }
    const int size = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, usedDefault);
    if (bytes <= 0) {
        return std::nullopt;
    }
    std::string narrow(static_cast<size_t>(bytes), '\0');
    if (::WideCharToMultiByte(codePage, flags, text.data(), size, narrow.data(), bytes, nullptr, usedDefault) !=
        bytes) {
        return std::nullopt;
    }
    return narrow;
}

}  // namespace

std::wstring Widen932(std::string_view text) {
    return Widen(text, kCodePage932, 0).value_or(std::wstring());
}

std::optional<std::string> Narrow932(std::wstring_view text) {
    BOOL usedDefault = FALSE;
    std::optional<std::string> narrow = Narrow(text, kCodePage932, WC_NO_BEST_FIT_CHARS, &usedDefault);
    // A character the code page holds only approximately, or not at all, uses the default
    // character or comes back as another one; either would name another file.
    if (!narrow || usedDefault || Widen932(*narrow) != text) {
        return std::nullopt;
    }
    return narrow;
}

std::string Narrow932Lossy(std::wstring_view text) {
    return Narrow(text, kCodePage932, 0, nullptr).value_or(std::string());
}

std::optional<std::wstring> WidenUtf8(std::string_view text) {
    return Widen(text, CP_UTF8, MB_ERR_INVALID_CHARS);
}

std::optional<std::string> NarrowUtf8(std::wstring_view text) {
    return Narrow(text, CP_UTF8, WC_ERR_INVALID_CHARS, nullptr);
}

std::optional<std::wstring> ToWide(std::string_view text, UINT codePage) {
    return Widen(text, codePage, codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0);
}

std::string FromWide(std::wstring_view text, UINT codePage) {
    return Narrow(text, codePage, 0, nullptr).value_or(std::string());
}

std::wstring SystemErrorText(unsigned long error) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length > 0 && buffer != nullptr ? std::wstring(buffer, length) : std::wstring();
    if (buffer != nullptr) {
        ::LocalFree(buffer);
    }
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return text.empty() ? L"(" + std::to_wstring(error) + L")" : text;
}

}  // namespace fw
