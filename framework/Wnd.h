#pragma once
#include <windows.h>

#include <string>

namespace fw {

// A window handle with the few operations the dialogs and controls use.
// It does not own the window: dialogs destroy their own, controls belong to their dialog.
// The windows are Unicode windows: messages go through the wide functions, and a
// code-page-932 text is converted to UTF-16 here, once.
class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd() = default;

    HWND GetSafeHwnd() const { return m_hWnd; }
    void Attach(HWND hwnd) { m_hWnd = hwnd; }

    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, msg, wParam, lParam);
    }
    BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageW(m_hWnd, msg, wParam, lParam);
    }

    RECT GetClientRect() const;
    RECT GetWindowRect() const;
    // The window's text in code page 932 (a character it cannot hold shows as the system's
    // substitute), and exactly, in UTF-16.
    std::string GetWindowText() const;
    std::wstring GetWindowTextW() const;
    // A code-page-932 text, and a UTF-16 one.
    void SetWindowText(const std::string& text) const;
    void SetWindowText(const std::wstring& text) const { ::SetWindowTextW(m_hWnd, text.c_str()); }
    BOOL SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) const {
        return ::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy, flags);
    }
    void Invalidate(BOOL erase = TRUE) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void InvalidateRect(const RECT& rect, BOOL erase) const { ::InvalidateRect(m_hWnd, &rect, erase); }
    void UpdateWindow() const { ::UpdateWindow(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    HWND SetCapture() const { return ::SetCapture(m_hWnd); }
    HWND SetFocus() const { return ::SetFocus(m_hWnd); }
    HICON SetIcon(HICON icon, BOOL big) const {
        return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    }
    BOOL DestroyWindow() const { return ::DestroyWindow(m_hWnd); }

    HWND m_hWnd = nullptr;
};

}  // namespace fw
