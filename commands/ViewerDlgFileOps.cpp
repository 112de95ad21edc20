// The sorting operations on the selected entry: move, trash move, copy, kill, and the
// deletion of a sub-directory through the shell. None replaces an existing file.
#include <vector>

#include "app/ViewerDlg.h"
#include "commands/AutoRename.h"
#include "filelist/PathUtil.h"
#include "framework/Prompts.h"

namespace {

bool PathTaken(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

std::string CViewerDlg::GetSelectedDirectoryNameOnDisk() {
    if (m_nCurIndex == -1 || m_listFiles.GetItemData(m_nCurIndex) != -1) {
        return {};
    }
    const std::string text = m_listFiles.GetText(m_nCurIndex);
    if (text.size() < 5 || text.compare(0, 2, "[ ") != 0 || text.compare(text.size() - 2, 2, " ]") != 0) {
        return {};
    }
    return text.substr(2, text.size() - 4);
}

int CViewerDlg::TransferSelectedFile(const std::string& dir, bool copy, bool autoRename) {
    if (GetSelectedItemData() == -1) {
        return 1;  // a directory entry, or nothing selected
    }
    if (dir.empty()) {
        return 0;  // an unset target would be the root of the current drive
    }
    const std::string name = m_listFiles.GetText(m_nCurIndex);
    const std::string source = AddTrailingBackslash(m_strCurDir) + name;
    const std::string target = AddTrailingBackslash(dir);
    std::string destination = target + name;
    if (autoRename) {
        // The last candidate is used untried: the move onto it fails if it is taken.
        for (int i = 0; i < kRenameCandidates && PathTaken(destination); ++i) {
            destination = target + RenamedFileName(name, i);
        }
    }
    if (copy) {
        return ::CopyFileA(source.c_str(), destination.c_str(), TRUE);
    }
    const int result = ::MoveFileA(source.c_str(), destination.c_str());
    if (result == 1) {
        RemoveSelectedEntry();
    }
    return result;
}

int CViewerDlg::MoveSelectedFile() {
    return TransferSelectedFile(m_strMoveDir, false, m_bAutoRenameAtMove == 1);
}

int CViewerDlg::TrashSelectedFile() {
    return TransferSelectedFile(m_strTrashDir, false, false);
}

int CViewerDlg::CopySelectedFile() {
    return TransferSelectedFile(m_strCopyDir, true, false);
}

int CViewerDlg::KillSelectedFile() {
    if (m_bDeleteImmediate == 0) {
        fw::MessageBox(m_hWnd, "即時削除の許可が禁止されています。\nKillコマンドはキャンセルされます。", "Kill", MB_OK);
        return 1;
    }
    if (GetSelectedItemData() == -1) {
        return 1;
    }
    const std::string path = AddTrailingBackslash(m_strCurDir) + m_listFiles.GetText(m_nCurIndex);
    const int result = ::DeleteFileA(path.c_str());
    if (result == 1) {
        RemoveSelectedEntry();
    }
    return result;
}

int CViewerDlg::DeleteSelectedDirectory() {
    // Only a listed directory, named exactly as on disk: a file whose name merely looks
    // like a directory entry, or a trimmed name, would delete something else.
    const std::string name = IsDirectorySelected() ? GetSelectedDirectoryNameOnDisk() : std::string();
    if (name.empty()) {
        fw::MessageBox(m_hWnd, "ディレクトリではありません。\n", nullptr, MB_OK);
        return 1;
    }
    DeleteDirectoryTree(AddTrailingBackslash(m_strCurDir) + name, 0);
    ReloadDirectory();
    return 1;
}

int CViewerDlg::DeleteDirectoryTree(const std::string& path, int noConfirmation) {
    // The shell takes a list of paths ended by an empty one.
    std::vector<char> from(path.size() + 2, '\0');
    path.copy(from.data(), path.size());
    SHFILEOPSTRUCTA operation{};
    operation.hwnd = nullptr;
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.data();
    operation.pTo = "";
    operation.fFlags = static_cast<FILEOP_FLAGS>(noConfirmation == 1 ? FOF_ALLOWUNDO | FOF_NOCONFIRMATION : FOF_ALLOWUNDO);
    operation.fAnyOperationsAborted = FALSE;
    operation.hNameMappings = nullptr;
    operation.lpszProgressTitle = "削除中";
    fw::ShellFileOperation(operation);
    return 1;
}
