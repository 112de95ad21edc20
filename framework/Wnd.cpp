#include "framework/Wnd.h"

#include "framework/WideText.h"

namespace fw {

RECT CWnd::GetClientRect() const {
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    return rc;
}

RECT CWnd::GetWindowRect() const {
    RECT rc{};
    ::GetWindowRect(m_hWnd, &rc);
    return rc;
}

std::wstring CWnd::GetWindowTextW() const {
    const int len = ::GetWindowTextLengthW(m_hWnd);
    if (len <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(len) + 1, L'\0');
    const int got = ::GetWindowTextW(m_hWnd, text.data(), len + 1);
    text.resize(got > 0 && got <= len ? static_cast<size_t>(got) : 0);
    return text;
}

std::string CWnd::GetWindowText() const {
    return Narrow932Lossy(GetWindowTextW());
}

void CWnd::SetWindowText(const std::string& text) const {
    SetWindowText(Widen932(text));
}

}  // namespace fw
