#include "framework/Controls.h"

#include "framework/WideText.h"

namespace fw {

// A list of a dialog is a Unicode window and is asked in the wide form. A list made as an
// ANSI window is asked in its own form: a host may pass a request of the other form
// through a buffer of fixed size (Wine: 512 characters).
std::wstring CListBox::GetTextW(int index) const {
    if (!::IsWindowUnicode(m_hWnd)) {
        const LRESULT len = ::SendMessageA(m_hWnd, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
        if (len == LB_ERR || len < 0) {
            return {};
        }
        std::string text(static_cast<size_t>(len) + 1, '\0');
        const LRESULT got =
            ::SendMessageA(m_hWnd, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
        text.resize(got == LB_ERR || got < 0 || got > len ? 0 : static_cast<size_t>(got));
        return Widen932(text);
    }
    const LRESULT len = SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (len == LB_ERR || len < 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(len) + 1, L'\0');
    const LRESULT got = SendMessage(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == LB_ERR || got < 0 || got > len ? 0 : static_cast<size_t>(got));
    return text;
}

std::string CListBox::GetText(int index) const {
    return Narrow932Lossy(GetTextW(index));
}

int CListBox::AddString(const std::string& text) const {
    return AddString(Widen932(text));
}

int CListBox::InsertString(int index, const std::string& text) const {
    return InsertString(index, Widen932(text));
}

int CListBox::SelectString(int startAfter, const std::string& prefix) const {
    return SelectString(startAfter, Widen932(prefix));
}

int CListBox::FindStringExact(int startAfter, const std::string& text) const {
    return FindStringExact(startAfter, Widen932(text));
}

}  // namespace fw
