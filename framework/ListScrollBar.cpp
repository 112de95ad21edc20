#include "framework/ListScrollBar.h"

#include <algorithm>

namespace fw {

namespace {

const wchar_t kProp[] = L"Ixo.ListScrollBar";

// What a scroll bar shows of itself: the thumb's place and size and the parts' states.
struct ScrollBarLook {
    SCROLLBARINFO info{};
    bool Read(HWND hwnd) {
        info.cbSize = sizeof info;
        return ::GetScrollBarInfo(hwnd, OBJID_VSCROLL, &info) != FALSE;
    }
    bool operator==(const ScrollBarLook& other) const {
        if (info.dxyLineButton != other.info.dxyLineButton || info.xyThumbTop != other.info.xyThumbTop ||
            info.xyThumbBottom != other.info.xyThumbBottom || !::EqualRect(&info.rcScrollBar, &other.info.rcScrollBar)) {
            return false;
        }
        for (int part = 0; part <= CCHILDREN_SCROLLBAR; ++part) {
            if (info.rgstate[part] != other.info.rgstate[part]) {
                return false;
            }
        }
        return true;
    }
};

}  // namespace

bool CListScrollBar::Attach(HWND list) {
    Release();
    if (list == nullptr || !::SetPropW(list, kProp, this)) {
        return false;
    }
    m_list = list;
    m_listProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CListScrollBar::ListProc)));
    if (m_listProc == nullptr) {
        ::RemovePropW(list, kProp);
        m_list = nullptr;
        return false;
    }
    const LONG_PTR style = ::GetWindowLongPtrW(list, GWL_STYLE);
    ::SetWindowLongPtrW(list, GWL_STYLE, style | WS_VSCROLL);
    ::SetWindowPos(list, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_shown = {};
    Sync();
    // The first time the scroll bar is given everything, drawn.
    ::RedrawWindow(list, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    return true;
}

void CListScrollBar::Release() {
    if (m_list == nullptr) {
        return;
    }
    if (::IsWindow(m_list)) {
        ::SetWindowLongPtrW(m_list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_listProc));
        ::RemovePropW(m_list, kProp);
    }
    m_list = nullptr;
    m_listProc = nullptr;
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
    want.nMin = 0;
    want.nMax = count > 0 ? static_cast<int>(count) - 1 : 0;
    // The rows wholly in view, as the list box counts a page.
    want.nPage = itemHeight > 0 ? static_cast<UINT>(std::max<LONG>(1, (client.bottom - client.top) /
                                                                           static_cast<LONG>(itemHeight)))
                                : 1;
    want.nPos = top > 0 ? static_cast<int>(top) : 0;
    if (want.nMax != m_shown.nMax || want.nPage != m_shown.nPage || want.nPos != m_shown.nPos ||
        m_shown.cbSize == 0) {
        ScrollBarLook before;
        const bool seen = before.Read(m_list);
        ::SetScrollInfo(m_list, SB_VERT, &want, FALSE);
        ScrollBarLook after;
        if (!seen || !after.Read(m_list) || !(before == after)) {
            // Only the scroll bar: the list's own rows are drawn by the list.
            RECT bar = after.info.rcScrollBar;
            ::MapWindowPoints(nullptr, m_list, reinterpret_cast<POINT*>(&bar), 2);
            ::RedrawWindow(m_list, seen ? &bar : nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
            ++m_redraws;
        }
        m_shown = want;
    }
    m_syncing = false;
}

LRESULT CALLBACK CListScrollBar::ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<CListScrollBar*>(::GetPropW(hwnd, kProp));
    if (self == nullptr) {
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    const WNDPROC proc = self->m_listProc;
    if (msg == WM_NCDESTROY) {
        self->Release();
        return ::CallWindowProcW(proc, hwnd, msg, wParam, lParam);
    }
    if (msg == WM_SETREDRAW) {
        self->m_held = wParam == FALSE;
    }
    const LRESULT result = ::CallWindowProcW(proc, hwnd, msg, wParam, lParam);
    // Painting and asking change nothing the scroll bar shows.
    switch (msg) {
    case WM_PAINT:
    case WM_NCPAINT:
    case WM_ERASEBKGND:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case LB_GETTEXT:
    case LB_GETTEXTLEN:
    case LB_GETCOUNT:
    case LB_GETITEMDATA:
    case LB_GETCURSEL:
    case LB_GETTOPINDEX:
    case LB_GETITEMHEIGHT:
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
