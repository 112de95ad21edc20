// The key dispatcher: every key press addressed to the main window or its controls
// passes here before the standard dialog keyboard handling. A command key becomes a
// command of the window's message map, where the window or one of its parts carries it
// out.
#include "framework/Keyboard.h"
#include "mainwnd/ViewerDlg.h"

BOOL CViewerDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_MOUSEWHEEL) {
        return OnWheel(*msg);
    }
    if (msg->message == WM_KEYDOWN) {
        const int key = static_cast<int>(msg->wParam);
        const bool repeat = fw::IsRepeatKeyData(msg->lParam);
        // A held key stops when it is let go: its repeats still waiting in the queue are
        // dropped, whatever the key (a key pressed anew always counts).
        if (fw::IsRepeatAfterRelease(key, repeat)) {
            return TRUE;
        }
        // Shift and Ctrl as they were when the key was pressed, not as they are now: a key
        // handled late (while a large picture was decoded) keeps its meaning.
        const fw::Modifiers modifiers = fw::QueuedModifiers();
        const std::optional<KeyCommand> command = LookUpKeyCommand(key, modifiers.shift, modifiers.ctrl);
        if (command) {
            // A command on the shown picture acts on it once it is on screen; a held key's
            // repeat acts only on a picture that has been.
            if (UsesShownPicture(*command) && !m_pane.MakeShownSeen(repeat && IsFileCommand(*command))) {
                return TRUE;
            }
            LRESULT result = 0;
            const bool handled = OnMessage(WM_COMMAND, MAKEWPARAM(KeyCommandId(*command), 0), 0, result);
            if (!handled || result != kLetListHandleKey) {
                return TRUE;
            }
        }
    }
    return fw::CDialog::PreTranslateMessage(msg);
}
