// The key dispatcher: every key press addressed to the main window or its controls
// passes here before the standard dialog keyboard handling. A command key becomes a
// command of the window's message map, where the window or one of its parts carries it
// out.
#include "framework/Keyboard.h"
#include "framework/WideText.h"
#include "mainwnd/ViewerDlg.h"

BOOL CViewerDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_MOUSEWHEEL) {
        return OnWheel(*msg);
    }
    if (msg->message == WM_KEYDOWN) {
        const int key = static_cast<int>(msg->wParam);
        const bool repeat = fw::IsRepeatKeyData(msg->lParam);
        // A held key stops when it is let go: its repeats still waiting in the queue are
        // dropped, whatever the key (a key pressed anew always counts). A held key stopped
        // at a directory entry stays stopped until it is pressed anew.
        if (fw::IsRepeatAfterRelease(key, repeat) || (repeat && key == m_nStoppedKey)) {
            return TRUE;
        }
        m_nStoppedKey = 0;
        // Shift and Ctrl as they were when the key was pressed, not as they are now: a key
        // handled late (while a large picture was decoded) keeps its meaning.
        const fw::Modifiers modifiers = fw::QueuedModifiers();
        const std::optional<KeyCommand> command = LookUpKeyCommand(key, modifiers.shift, modifiers.ctrl);
        if (command) {
            // The key acts on the entry selected when it was pressed, whatever was selected
            // since by anything but the user's earlier keys; its selections are the user's.
            const CFolder::CUserKey userKey(m_folder, static_cast<uint32_t>(msg->time));
            if (ActsOnSelection(*command) && !AimAt(static_cast<uint32_t>(msg->time))) {
                return TRUE;
            }
            // Held down, a key that deletes goes no further than the pictures: only a fresh
            // press deletes a directory.
            const ListEntry* selected = m_folder.Selected();
            if (repeat && DeletesEntry(*command) && selected != nullptr && selected->IsDirectory()) {
                m_nStoppedKey = key;
                return TRUE;
            }
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

bool CViewerDlg::AimAt(uint32_t keyTime) {
    const std::optional<int> aimed = m_folder.IndexSelectedAt(keyTime);
    if (aimed && *aimed == m_folder.SelectedIndex()) {
        return true;
    }
    if (aimed && *aimed >= 0) {
        m_folder.Select(*aimed);
        return true;
    }
    // Never handed to the entry that took its place.
    ShowTitleNote(fw::Widen932(kAimGoneNote));
    return false;
}
