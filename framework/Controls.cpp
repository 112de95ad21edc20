#include "framework/Controls.h"

namespace fw {

namespace {

// The text of an entry of a list that keeps its texts in the wide form, converted here.
std::string WideEntryText(HWND list, int index) {
    const LRESULT len = ::SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (len == LB_ERR || len < 0) {
        return {};
    }
    std::wstring wide(static_cast<size_t>(len) + 1, L'\0');
    const LRESULT got = ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.data()));
    if (got == LB_ERR || got <= 0) {
        return {};
    }
    const int chars = static_cast<int>(got < len ? got : len);
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), chars, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), chars, text.data(), bytes, nullptr, nullptr);
    return text;
}

}  // namespace

// A list of a dialog is a wide window: its texts are asked for in the wide form, because
// a host may pass an ANSI request through a buffer of fixed size (Wine: 512 characters).
std::string CListBox::GetText(int index) const {
    if (::IsWindowUnicode(m_hWnd)) {
        return WideEntryText(m_hWnd, index);
    }
    const LRESULT len = SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (len == LB_ERR || len < 0) {
        return {};
    }
    std::string text(static_cast<size_t>(len) + 1, '\0');
    const LRESULT got = SendMessage(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == LB_ERR || got < 0 ? 0 : static_cast<size_t>(got));
    return text;
}

}  // namespace fw
