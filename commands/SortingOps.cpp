// The sorting operations on the selected entry: move, trash move, copy, kill, and the
// deletion of a sub-directory through the shell. None replaces an existing file.
#include "commands/SortingOps.h"

#include <vector>

#include "commands/AutoRename.h"
#include "framework/FileMove.h"
#include "framework/Prompts.h"
#include "framework/WideText.h"
#include "portable/PathUtil.h"

namespace {

bool PathTaken(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

FW_BEGIN_PART_MESSAGE_MAP(CSortingOps)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kMove), 0, OnMove)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kDelete), 0, OnDelete)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kCopy), 0, OnCopy)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kDeleteDirectory), 0, OnDeleteDirectory)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kKill), 0, OnKill)
FW_END_PART_MESSAGE_MAP()

CSortingOps::CSortingOps(IViewerHost& host, const Settings& settings, CFileList& files, IOperationRecorder* recorder)
    : m_host(host), m_settings(settings), m_files(files), m_pRecorder(recorder) {}

bool CSortingOps::IsDirectorySelected() const {
    const ListEntry* selected = m_host.SelectedEntry();
    return selected != nullptr && selected->IsDirectory();
}

void CSortingOps::FileLeftFolder() {
    m_files.RemoveCurrent();
    m_host.ShowSelection();
}

bool CSortingOps::TransferSelectedFile(const std::string& dir, Transfer transfer, Renaming renaming) {
    const ListEntry* selected = m_host.SelectedEntry();
    if (selected == nullptr || selected->IsDirectory()) {
        return true;  // nothing to do
    }
    if (dir.empty()) {
        return false;  // an unset target would be the root of the current drive
    }
    const std::wstring& name = selected->name;
    const std::wstring source = AddTrailingBackslash(m_host.CurrentDir()) + name;
    const std::wstring target = AddTrailingBackslash(fw::Widen932(dir));
    std::wstring destination = target + name;
    if (renaming == Renaming::kOn) {
        // The last candidate is used untried: the move onto it fails if it is taken.
        for (int i = 0; i < kRenameCandidates && PathTaken(destination); ++i) {
            destination = target + RenamedFileName(name, i);
        }
    }
    if (transfer == Transfer::kCopy) {
        return ::CopyFileW(source.c_str(), destination.c_str(), TRUE) != FALSE;
    }
    if (!fw::MoveFileNoReplace(source, destination)) {
        return false;
    }
    // Recorded here, not where the entry leaves the list: a kill leaves it too.
    const bool recorded =
        m_pRecorder == nullptr ||
        m_pRecorder->Record(transfer == Transfer::kTrashMove ? FileOp::kTrashMove : FileOp::kMove, source, destination);
    FileLeftFolder();
    if (!recorded) {
        fw::MessageBox(m_host.OwnerWindow(), kNotRecordedText, nullptr, MB_OK);
    }
    return true;
}

bool CSortingOps::MoveSelectedFile() {
    return TransferSelectedFile(m_settings.m_strMoveDir, Transfer::kMove,
                                m_settings.m_bAutoRenameAtMove == 1 ? Renaming::kOn : Renaming::kOff);
}

bool CSortingOps::TrashSelectedFile() {
    return TransferSelectedFile(m_settings.m_strTrashDir, Transfer::kTrashMove, Renaming::kOff);
}

bool CSortingOps::CopySelectedFile() {
    return TransferSelectedFile(m_settings.m_strCopyDir, Transfer::kCopy, Renaming::kOff);
}

bool CSortingOps::KillSelectedFile() {
    if (m_settings.m_bDeleteImmediate == 0) {
        fw::MessageBox(m_host.OwnerWindow(), "即時削除の許可が禁止されています。\nKillコマンドはキャンセルされます。",
                       "Kill", MB_OK);
        return true;
    }
    const ListEntry* selected = m_host.SelectedEntry();
    if (selected == nullptr || selected->IsDirectory()) {
        return true;
    }
    const std::wstring path = AddTrailingBackslash(m_host.CurrentDir()) + selected->name;
    if (!::DeleteFileW(path.c_str())) {
        return false;
    }
    FileLeftFolder();
    return true;
}

bool CSortingOps::DeleteSelectedDirectory() {
    // Only a listed directory, by its name exactly as on disk.
    const ListEntry* selected = m_host.SelectedEntry();
    if (selected == nullptr || !selected->IsDirectory()) {
        fw::MessageBox(m_host.OwnerWindow(), "ディレクトリではありません。\n", nullptr, MB_OK);
        return true;
    }
    DeleteDirectoryTree(AddTrailingBackslash(m_host.CurrentDir()) + selected->name, Confirmation::kAsk);
    m_host.ListAgain();
    return true;
}

void CSortingOps::DeleteDirectoryTree(const std::wstring& path, Confirmation confirmation) {
    // The shell takes a list of paths ended by an empty one. A real name never holds the
    // wildcards '?' or '*', which the shell would expand.
    std::vector<wchar_t> from(path.size() + 2, L'\0');
    path.copy(from.data(), path.size());
    const std::wstring title = fw::Widen932("削除中");
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = nullptr;
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.data();
    operation.pTo = L"";
    FILEOP_FLAGS flags = FOF_ALLOWUNDO;
    if (confirmation != Confirmation::kAsk) {
        flags |= FOF_NOCONFIRMATION;
    }
    if (confirmation == Confirmation::kOnlyBeforeDestroying) {
        flags |= FOF_WANTNUKEWARNING;
    }
    operation.fFlags = flags;
    operation.fAnyOperationsAborted = FALSE;
    operation.hNameMappings = nullptr;
    operation.lpszProgressTitle = title.c_str();
    fw::ShellFileOperation(operation);
}

void CSortingOps::OnMove() {
    if (!MoveSelectedFile()) {
        m_host.ReportFailure("移動失敗\n移動先Dir  : " + m_settings.m_strMoveDir);
    }
}

void CSortingOps::OnDelete() {
    if (IsDirectorySelected()) {
        DeleteSelectedDirectory();
    } else if (!TrashSelectedFile()) {
        m_host.ReportFailure("移動失敗\n移動先Dir  : " + m_settings.m_strTrashDir);
    }
}

void CSortingOps::OnCopy() {
    if (!CopySelectedFile()) {
        m_host.ReportFailure("コピー失敗\nコピー先Dir  : " + m_settings.m_strCopyDir);
    }
}

void CSortingOps::OnDeleteDirectory() {
    DeleteSelectedDirectory();
}

void CSortingOps::OnKill() {
    if (!KillSelectedFile()) {
        m_host.ReportFailure("削除失敗\n");
    }
}
