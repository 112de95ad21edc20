#include "framework/Wnd.h"

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

std::string CWnd::GetWindowText() const {
    const int len = ::GetWindowTextLengthA(m_hWnd);
    if (len <= 0) {
        return {};
    }
    std::string text(static_cast<size_t>(len) + 1, '\0');
    const int got = ::GetWindowTextA(m_hWnd, text.data(), len + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

}  // namespace fw
