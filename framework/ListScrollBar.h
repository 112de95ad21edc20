#pragma once
// The vertical scroll bar of a list box, kept by the program instead of by the list box.
//
// A list box with scroll bar styles sets its scroll bars after every change of its items
// and draws them anew each time (a disabled one too), although with thousands of entries
// the thumb moves a pixel only every few dozen: under Wine removing one entry then costs
// about forty times more in drawing scroll bars than in the list itself. So the list box is
// made without WS_VSCROLL and WS_HSCROLL, and this class gives it a scroll bar control of
// its own, a child at its right edge, kept in step with the list (range, page, position)
// after every message the list handles and drawn only when what it shows changes: the
// thumb's place or size, or whether it can scroll at all. What the user does on the bar
// (arrows, page, dragging the thumb) scrolls the list as its own scroll bar would. The
// horizontal scroll bar, which never scrolls (the list has no horizontal extent), is a
// disabled one drawn in a strip of the frame below the rows.
#include <windows.h>

namespace fw {

class CListScrollBar {
public:
    CListScrollBar() = default;
    CListScrollBar(const CListScrollBar&) = delete;
    CListScrollBar& operator=(const CListScrollBar&) = delete;
    ~CListScrollBar() { Release(); }

    // Gives `list`, a list box made without scroll bar styles, its scroll bar. False when
    // the list cannot be taken over.
    bool Attach(HWND list);
    // Gives the list box its own window procedure back (also when the list is destroyed).
    void Release();

    // Brings the scroll bar in step with the list now; draws it only when what it shows
    // changed. Called after every message the list handles.
    void Sync();
    // The scroll bar control (null before Attach).
    HWND Bar() const { return m_bar; }
    // How many times the scroll bar was drawn anew since it was attached.
    unsigned RedrawCount() const { return m_redraws; }

private:
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK BarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void Place();
    void DrawAcross() const;
    void Scrolled(WPARAM wParam);

    HWND m_list = nullptr;
    HWND m_bar = nullptr;
    WNDPROC m_listProc = nullptr;
    WNDPROC m_barProc = nullptr;
    bool m_placing = false;  // the bar is being placed by Place
    bool m_held = false;     // the list's drawing is held (WM_SETREDRAW FALSE)
    bool m_syncing = false;  // within Sync: the messages it causes are not followed
    SCROLLINFO m_shown{};    // what the scroll bar was last given
    unsigned m_redraws = 0;
};

}  // namespace fw
