#include "framework/ListScrollBar.h"

#include <algorithm>
#include <iterator>

namespace fw {

namespace {

// The list and the bar point back here through their user data: a window property is a
// round trip to the window server under Wine, far too slow for every message a list of
// thousands of entries handles while it is filled.
CListScrollBar* Owner(HWND hwnd) {
    return reinterpret_cast<CListScrollBar*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}
void SetOwner(HWND hwnd, CListScrollBar* owner) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
}

// What a scroll bar control shows of itself: the thumb's place and size and the parts' states.
struct ScrollBarLook {
    SCROLLBARINFO info{};
    bool Read(HWND bar) {
        info.cbSize = sizeof info;
        return ::GetScrollBarInfo(bar, OBJID_CLIENT, &info) != FALSE;
    }
    bool operator==(const ScrollBarLook& other) const {
        return info.dxyLineButton == other.info.dxyLineButton && info.xyThumbTop == other.info.xyThumbTop &&
               info.xyThumbBottom == other.info.xyThumbBottom &&
               ::EqualRect(&info.rcScrollBar, &other.info.rcScrollBar) &&
               std::equal(std::begin(info.rgstate), std::end(info.rgstate), std::begin(other.info.rgstate));
    }
};

}  // namespace

bool CListScrollBar::Attach(HWND list) {
    Release();
    if (list == nullptr) {
        return false;
    }
    m_bar = ::CreateWindowExW(0, L"SCROLLBAR", nullptr, WS_CHILD | WS_VISIBLE | SBS_VERT, 0, 0, 0, 0, list, nullptr,
                              reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(list, GWLP_HINSTANCE)), nullptr);
    if (m_bar == nullptr || Owner(list) != nullptr) {
        Release();
        return false;
    }
    SetOwner(list, this);
    SetOwner(m_bar, this);
    m_list = list;
    m_listProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CListScrollBar::ListProc)));
    if (m_listProc == nullptr) {
        SetOwner(list, nullptr);
        m_list = nullptr;
        Release();
        return false;
    }
    m_barProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(m_bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CListScrollBar::BarProc)));
    // The rows are not drawn under the bar.
    ::SetWindowLongPtrW(list, GWL_STYLE, ::GetWindowLongPtrW(list, GWL_STYLE) | WS_CLIPCHILDREN);
    // The frame is measured again: the strip of the horizontal scroll bar is taken off.
    ::SetWindowPos(list, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Place();
    m_shown = {};
    Sync();
    return true;
}

void CListScrollBar::Release() {
    if (m_list != nullptr && ::IsWindow(m_list)) {
        ::SetWindowLongPtrW(m_list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_listProc));
        SetOwner(m_list, nullptr);
    }
    if (m_bar != nullptr && ::IsWindow(m_bar)) {
        if (m_barProc != nullptr) {
            ::SetWindowLongPtrW(m_bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_barProc));
        }
        SetOwner(m_bar, nullptr);
        ::DestroyWindow(m_bar);
    }
    m_list = nullptr;
    m_bar = nullptr;
    m_listProc = nullptr;
    m_barProc = nullptr;
}

// Along the list's right edge, as wide as the system's scroll bars.
void CListScrollBar::Place() {
    RECT client{};
    ::GetClientRect(m_list, &client);
    const int width = std::min<int>(::GetSystemMetrics(SM_CXVSCROLL), client.right);
    m_placing = true;
    ::SetWindowPos(m_bar, nullptr, client.right - width, 0, width, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    m_placing = false;
}

// The horizontal scroll bar below the rows, drawn disabled: the list is given no
// horizontal extent, so it never scrolls across. It is drawn with the frame only.
void CListScrollBar::DrawAcross() const {
    RECT window{};
    RECT client{};
    ::GetWindowRect(m_list, &window);
    ::GetClientRect(m_list, &client);
    ::MapWindowPoints(m_list, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int height = ::GetSystemMetrics(SM_CYHSCROLL);
    RECT strip{client.left - window.left, client.bottom - window.top, client.right - window.left,
               client.bottom - window.top + height};
    HDC dc = ::GetWindowDC(m_list);
    if (dc == nullptr) {
        return;
    }
    const int arrow = std::min<int>(::GetSystemMetrics(SM_CXHSCROLL), (strip.right - strip.left) / 2);
    const int corner = std::min<int>(::GetSystemMetrics(SM_CXVSCROLL), strip.right - strip.left - 2 * arrow);
    RECT left{strip.left, strip.top, strip.left + arrow, strip.bottom};
    RECT right{strip.right - corner - arrow, strip.top, strip.right - corner, strip.bottom};
    RECT track{left.right, strip.top, right.left, strip.bottom};
    RECT box{right.right, strip.top, strip.right, strip.bottom};
    ::FillRect(dc, &track, ::GetSysColorBrush(COLOR_SCROLLBAR));
    ::FillRect(dc, &box, ::GetSysColorBrush(COLOR_BTNFACE));
    ::DrawFrameControl(dc, &left, DFC_SCROLL, DFCS_SCROLLLEFT | DFCS_INACTIVE);
    ::DrawFrameControl(dc, &right, DFC_SCROLL, DFCS_SCROLLRIGHT | DFCS_INACTIVE);
    ::ReleaseDC(m_list, dc);
}

// The list scrolls its children with its rows: the bar stays where it was placed.
LRESULT CALLBACK CListScrollBar::BarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CListScrollBar* self = Owner(hwnd);
    if (self == nullptr) {
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    const WNDPROC proc = self->m_barProc;
    if (msg == WM_WINDOWPOSCHANGING && !self->m_placing) {
        reinterpret_cast<WINDOWPOS*>(lParam)->flags |= SWP_NOMOVE;
    } else if (msg == WM_SETFOCUS) {
        // A click on the bar leaves the keys with the list.
        ::SetFocus(self->m_list);
        return 0;
    } else if (msg == WM_NCDESTROY) {
        SetOwner(hwnd, nullptr);
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
    }
    return ::CallWindowProcW(proc, hwnd, msg, wParam, lParam);
}

void CListScrollBar::Sync() {
    if (m_list == nullptr || m_held || m_syncing) {
        return;
    }
    m_syncing = true;
    const LRESULT count = ::SendMessageW(m_list, LB_GETCOUNT, 0, 0);
    const LRESULT top = ::SendMessageW(m_list, LB_GETTOPINDEX, 0, 0);
    const LRESULT itemHeight = ::SendMessageW(m_list, LB_GETITEMHEIGHT, 0, 0);
    RECT client{};
    ::GetClientRect(m_list, &client);
    SCROLLINFO want{};
    want.cbSize = sizeof want;
    want.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    want.nMax = count > 0 ? static_cast<int>(count) - 1 : 0;
    // The rows wholly in view, as the list box counts a page.
    want.nPage = static_cast<UINT>(itemHeight > 0 ? std::max<LONG>(1, client.bottom / static_cast<LONG>(itemHeight)) : 1);
    want.nPos = top > 0 ? static_cast<int>(top) : 0;
    if (m_shown.cbSize == 0 || want.nMax != m_shown.nMax || want.nPage != m_shown.nPage || want.nPos != m_shown.nPos) {
        ScrollBarLook before;
        const bool seen = m_shown.cbSize != 0 && before.Read(m_bar);
        ::SetScrollInfo(m_bar, SB_CTL, &want, FALSE);
        ScrollBarLook after;
        if (!seen || !after.Read(m_bar) || !(before == after)) {
            ::InvalidateRect(m_bar, nullptr, TRUE);
            ++m_redraws;
        }
        m_shown = want;
    }
    m_syncing = false;
}

// The bar's requests, as the list's own scroll bar would send them; dragging the thumb
// goes by the bar's 32-bit track position, not the message's 16 bits.
void CListScrollBar::Scrolled(WPARAM wParam) {
    const WORD request = LOWORD(wParam);
    if (request == SB_THUMBTRACK || request == SB_THUMBPOSITION) {
        SCROLLINFO track{};
        track.cbSize = sizeof track;
        track.fMask = SIF_TRACKPOS;
        if (::GetScrollInfo(m_bar, SB_CTL, &track)) {
            ::SendMessageW(m_list, LB_SETTOPINDEX, static_cast<WPARAM>(std::max(track.nTrackPos, 0)), 0);
        }
        return;
    }
    ::CallWindowProcW(m_listProc, m_list, WM_VSCROLL, MAKEWPARAM(request, 0), 0);
}

LRESULT CALLBACK CListScrollBar::ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CListScrollBar* self = Owner(hwnd);
    if (self == nullptr) {
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    const WNDPROC proc = self->m_listProc;
    switch (msg) {
    case WM_NCDESTROY:
        self->Release();
        return ::CallWindowProcW(proc, hwnd, msg, wParam, lParam);
    case WM_SETREDRAW:
        self->m_held = wParam == FALSE;
        break;
    case WM_NCCALCSIZE: {
        // The rows end above the horizontal scroll bar.
        const LRESULT result = ::CallWindowProcW(proc, hwnd, msg, wParam, lParam);
        RECT& client = wParam ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : *reinterpret_cast<RECT*>(lParam);
        client.bottom = std::max(client.top, client.bottom - ::GetSystemMetrics(SM_CYHSCROLL));
        return result;
    }
    case WM_NCPAINT: {
        const LRESULT result = ::CallWindowProcW(proc, hwnd, msg, wParam, lParam);
        self->DrawAcross();
        return result;
    }
    case WM_VSCROLL:
        if (lParam != 0 && reinterpret_cast<HWND>(lParam) == self->m_bar) {
            self->Scrolled(wParam);
            self->Sync();
            return 0;
        }
        break;
    default:
        break;
    }
    const LRESULT result = ::CallWindowProcW(proc, hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_SIZE:
        self->Place();
        self->Sync();
        break;
    // Painting and asking change nothing the scroll bar shows.
    case WM_PAINT:
    case WM_ERASEBKGND:
    case WM_CTLCOLORSCROLLBAR:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case LB_GETTEXT:
    case LB_GETTEXTLEN:
    case LB_GETCOUNT:
    case LB_GETITEMDATA:
    case LB_GETCURSEL:
    case LB_GETTOPINDEX:
    case LB_GETITEMHEIGHT:
    case LB_GETITEMRECT:
    case WM_NCHITTEST:
    case WM_SETCURSOR:
    case WM_GETDLGCODE:
        break;
    default:
        self->Sync();
    }
    return result;
}

}  // namespace fw
