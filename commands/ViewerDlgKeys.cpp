// The key dispatcher: every key press addressed to the main window or its controls
// passes here before the standard dialog keyboard handling.
#include "app/ViewerDlg.h"
#include "framework/Gdi.h"
#include "framework/Prompts.h"

BOOL CViewerDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN) {
        const bool shift = fw::IsKeyDown(VK_SHIFT);
        const bool ctrl = fw::IsKeyDown(VK_CONTROL);
        const std::optional<KeyCommand> command = LookUpKeyCommand(static_cast<int>(msg->wParam), shift, ctrl);
        if (command && RunKeyCommand(*command)) {
            return TRUE;
        }
    }
    return CDialog::PreTranslateMessage(msg);
}

void CViewerDlg::ReportFailure(const std::string& text) {
    fw::MessageBox(m_hWnd, text, "Error", MB_OK);
}

bool CViewerDlg::RunKeyCommand(KeyCommand command) {
    switch (command) {
        case KeyCommand::kNothing:
        case KeyCommand::kWallpaperReturn:
            break;
        case KeyCommand::kToggleFit: {
            m_bFitToPane = m_bFitToPane == 1 ? FALSE : TRUE;
            {
                CClientDC dc(m_hWnd);
                DrawPicture(dc, TRUE, PictureSource::Selected());
            }
            if (IsDirectorySelected()) {
                ShowDirectoryPreview();
            }
            break;
        }
        case KeyCommand::kParentDirectory:
            GoToParentDirectory();
            break;
        case KeyCommand::kEnterDirectory:
            EnterSelectedDirectory();
            break;
        case KeyCommand::kPageUp:
        case KeyCommand::kPageDown: {
            // A picture taller than the pane is paged first; at its edge, or on a
            // directory entry, the list moves its selection.
            if (IsDirectorySelected()) {
                return false;
            }
            RECT client{};
            ::GetClientRect(m_hWnd, &client);
            const int height = client.bottom - client.top;
            const BOOL nothingMoved = ScrollPicture(0, command == KeyCommand::kPageUp ? -height : height);
            return nothingMoved == FALSE;
        }
        case KeyCommand::kMove:
            if (MoveSelectedFile() == 0) {
                ReportFailure("移動失敗\n移動先Dir  : " + m_strMoveDir);
            }
            break;
        case KeyCommand::kDelete:
            if (IsDirectorySelected() == 1) {
                DeleteSelectedDirectory();
            } else if (TrashSelectedFile() == 0) {
                ReportFailure("移動失敗\n移動先Dir  : " + m_strTrashDir);
            }
            break;
        case KeyCommand::kCopy:
            if (CopySelectedFile() == 0) {
                ReportFailure("コピー失敗\nコピー先Dir  : " + m_strCopyDir);
            }
            break;
        case KeyCommand::kBrowseDirectory:
            BrowseCurrentDirectory();
            break;
        case KeyCommand::kDeleteDirectory:
            DeleteSelectedDirectory();
            break;
        case KeyCommand::kKill:
            if (KillSelectedFile() == 0) {
                ReportFailure("削除失敗\n");
            }
            break;
        case KeyCommand::kReload:
            ReloadDirectory();
            break;
    }
    return true;
}
