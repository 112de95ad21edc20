// The key dispatcher: every key press addressed to the main window or its controls
// passes here before the standard dialog keyboard handling. A command key becomes a
// command of the window's message map, where the window or one of its parts carries it
// out.
#include "framework/Keyboard.h"
#include "mainwnd/ViewerDlg.h"

BOOL CViewerDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN) {
        // Shift and Ctrl as they were when the key was pressed, not as they are now: a key
        // handled late (while a large picture was decoded) keeps its meaning.
        const bool shift = fw::WasKeyDown(VK_SHIFT);
        const bool ctrl = fw::WasKeyDown(VK_CONTROL);
        const std::optional<KeyCommand> command = LookUpKeyCommand(static_cast<int>(msg->wParam), shift, ctrl);
        if (command) {
            LRESULT result = 0;
            const bool handled = OnMessage(WM_COMMAND, MAKEWPARAM(KeyCommandId(*command), 0), 0, result);
            if (!handled || result != kPassKeyOn) {
                return TRUE;
            }
        }
    }
    return fw::CDialog::PreTranslateMessage(msg);
}
