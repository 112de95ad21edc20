#include "framework/ChildWnd.h"

#include "framework/WinApp.h"

namespace fw {

namespace {

constexpr wchar_t kClassName[] = L"IxoChildWindow";

bool RegisterOnce(WNDPROC proc) {
    static const bool registered = [proc] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = proc;
        wc.hInstance = InstanceHandle();
        wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        // No background brush: the window paints every pixel it owns itself.
        wc.lpszClassName = kClassName;
        return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

}  // namespace

CChildWnd::~CChildWnd() {
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) {
        // The derived parts are gone already: no handler may run during this destruction.
        ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
        ::DestroyWindow(m_hWnd);
    }
}

bool CChildWnd::Create(HWND parent, const RECT& rect) {
    if (!RegisterOnce(&CChildWnd::WindowProc)) {
        return false;
    }
    const HWND hwnd = ::CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, rect.left,
                                        rect.top, rect.right - rect.left, rect.bottom - rect.top, parent, nullptr,
                                        InstanceHandle(), this);
    return hwnd != nullptr;
}

bool CChildWnd::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

LRESULT CALLBACK CChildWnd::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CChildWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr && msg == WM_NCCREATE) {
        self = static_cast<CChildWnd*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_hWnd = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self == nullptr) {
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    LRESULT result = 0;
    const bool handled = self->OnMessage(msg, wParam, lParam, result);
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
    }
    return handled ? result : ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace fw
