#pragma once
// The vertical scroll bar of a list box, kept by the program instead of by the list box.
//
// A list box made with WS_VSCROLL sets its scroll bar after every change of its items and
// draws it anew each time, although with thousands of entries the thumb moves a pixel only
// every few dozen: removing one entry then costs more in drawing the scroll bar than in
// the list itself. A list box made without WS_VSCROLL leaves the window's scroll bar alone.
// This class gives such a list box the scroll bar after the fact and keeps its range, page
// and position in step with the list after every message the list handles, drawing it only
// when what it shows changes: the thumb's place or size, or whether it can scroll at all.
// Dragging the thumb, the arrows and the wheel still reach the list box as before (the
// scroll bar is the window's own and sends the list box its WM_VSCROLL).
#include <windows.h>

namespace fw {

class CListScrollBar {
public:
    CListScrollBar() = default;
    CListScrollBar(const CListScrollBar&) = delete;
    CListScrollBar& operator=(const CListScrollBar&) = delete;
    ~CListScrollBar() { Release(); }

    // Takes over the vertical scroll bar of `list`, a list box made without WS_VSCROLL:
    // shows it and brings it in step. False when the list cannot be taken over.
    bool Attach(HWND list);
    // Gives the list box its own window procedure back (also when the list is destroyed).
    void Release();

    // Brings the scroll bar in step with the list now; draws it only when what it shows
    // changed. Called after every message the list handles.
    void Sync();
    // How many times the scroll bar was drawn anew since it was attached.
    unsigned RedrawCount() const { return m_redraws; }

private:
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_list = nullptr;
    WNDPROC m_listProc = nullptr;
    bool m_held = false;     // the list's drawing is held (WM_SETREDRAW FALSE)
    bool m_syncing = false;  // within Sync: the messages it causes are not followed
    SCROLLINFO m_shown{};    // what the scroll bar was last given
    unsigned m_redraws = 0;
};

}  // namespace fw
