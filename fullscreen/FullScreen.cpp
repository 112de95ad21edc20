#include "fullscreen/FullScreen.h"

#include "res/resource.h"

namespace {

constexpr LONG_PTR kFrameStyles = WS_CAPTION | WS_THICKFRAME | WS_MINIMIZE | WS_MAXIMIZE;
constexpr LONG_PTR kFrameExStyles = WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME;

}  // namespace

FW_BEGIN_PART_MESSAGE_MAP(CFullScreen)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kToggleFullScreen), 0, Toggle)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kLeaveFullScreen), 0, Leave)
    FW_ON_COMMAND(ID_MENU_FULLSCREEN, 0, Toggle)
FW_END_PART_MESSAGE_MAP()

CFullScreen::CFullScreen(IViewerHost& host, std::function<void()> layout)
    : m_host(host), m_layout(std::move(layout)) {}

void CFullScreen::Toggle() {
    if (m_bOn) {
        Leave();
    } else {
        Enter();
    }
}

// The monitor's whole rectangle in its own pixels (the window is aware of each monitor's
// DPI): a picture at actual size is one picture pixel per screen pixel there too.
void CFullScreen::Enter() {
    const HWND window = m_host.OwnerWindow();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    m_placement = WINDOWPLACEMENT{};
    m_placement.length = sizeof m_placement;
    if (m_bOn || window == nullptr ||
        !::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor) ||
        !::GetWindowPlacement(window, &m_placement)) {
        return;
    }
    m_style = ::GetWindowLongPtrW(window, GWL_STYLE);
    m_exStyle = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
    m_menu = ::GetMenu(window);
    m_bOn = true;
    ::SetMenu(window, nullptr);
    ::SetWindowLongPtrW(window, GWL_STYLE, (m_style & ~kFrameStyles) | WS_POPUP);
    ::SetWindowLongPtrW(window, GWL_EXSTYLE, m_exStyle & ~kFrameExStyles);
    const RECT& r = monitor.rcMonitor;
    ::SetWindowPos(window, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    m_layout();
}

void CFullScreen::Leave() {
    const HWND window = m_host.OwnerWindow();
    if (!m_bOn || window == nullptr) {
        return;
    }
    m_bOn = false;
    // Maximised again by the placement, which would see nothing to do were the style to
    // say so already.
    ::SetWindowLongPtrW(window, GWL_STYLE, m_style & ~(WS_MINIMIZE | WS_MAXIMIZE));
    ::SetWindowLongPtrW(window, GWL_EXSTYLE, m_exStyle);
    ::SetMenu(window, m_menu);
    m_menu = nullptr;
    ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPlacement(window, &m_placement);
    m_layout();
}

void CFullScreen::WindowGone() {
    if (m_bOn && m_menu != nullptr) {
        ::DestroyMenu(m_menu);
    }
    m_menu = nullptr;
    m_bOn = false;
}
