// The main window's full-screen layout and the mouse wheel.
#include <cstdlib>

#include "mainwnd/ViewerDlg.h"

// The list keeps its size and the keyboard focus, left of the window where nothing of it
// shows: the keys go to it as in the window.
void CViewerDlg::LayoutFullScreen(const RECT& client) {
    const RECT list = m_list.ListBox().GetWindowRect();
    const int listWidth = list.right - list.left;
    m_list.ListBox().SetWindowPos(nullptr, client.left - listWidth - 1, client.top, listWidth, list.bottom - list.top,
                                  SWP_NOZORDER | SWP_NOACTIVATE);
    m_btnChangeDir.SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE |
                                                          SWP_HIDEWINDOW);
    m_pane.SetWindowPos(nullptr, client.left, client.top, client.right - client.left, client.bottom - client.top,
                        SWP_NOZORDER | SWP_NOACTIVATE);
}

// A notch goes the way the Down or Up key goes: it pages through a picture taller than the
// pane first, then selects the next or previous entry. A wheel turned faster than the
// pictures are shown leaves no steps behind once it stops, as a held key leaves no repeats:
// the wheel's messages that came while a step was carried out are dropped.
BOOL CViewerDlg::OnWheel(const MSG& msg) {
    const int steps = m_wheel.Add(GET_WHEEL_DELTA_WPARAM(msg.wParam));
    // Bound, as a key is, to the entry selected when the wheel was turned.
    const CFolder::CUserKey userKey(m_folder, static_cast<uint32_t>(msg.time));
    if (steps != 0 && !AimAt(static_cast<uint32_t>(msg.time))) {
        return TRUE;
    }
    const KeyCommand command = steps > 0 ? KeyCommand::kPageDown : KeyCommand::kPageUp;
    for (int i = 0; i < std::abs(steps) && m_hWnd != nullptr; ++i) {
        LRESULT result = 0;
        const bool handled = OnMessage(WM_COMMAND, MAKEWPARAM(KeyCommandId(command), 0), 0, result);
        if (handled && result == kLetListHandleKey) {
            const int next = m_folder.SelectedIndex() + (steps > 0 ? 1 : -1);
            if (m_folder.At(next) != nullptr) {
                m_folder.Select(next);
            }
        }
    }
    if (steps != 0) {
        MSG late;
        bool dropped = false;
        while (m_hWnd != nullptr && ::PeekMessageW(&late, nullptr, WM_MOUSEWHEEL, WM_MOUSEWHEEL, PM_REMOVE)) {
            dropped = true;
        }
        if (dropped) {
            m_wheel.Reset();
        }
    }
    return TRUE;
}
