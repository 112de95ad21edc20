// The sorting operations on the selected entry or on a file by its path: move, trash move,
// copy, kill, and the deletion of a sub-directory through the shell. None replaces an
// existing file.
#include "commands/SortingOps.h"

#include <vector>

#include "commands/AutoRename.h"
#include "filelist/EntryPath.h"
#include "framework/FileIdentity.h"
#include "framework/FileMove.h"
#include "framework/Prompts.h"
#include "framework/WideText.h"
#include "portable/PathUtil.h"

namespace {

bool PathTaken(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

OpResult SystemFailure() {
    return OpResult::Failed(::GetLastError());
}

constexpr char kDeviceName[] = "この名前のファイルは扱えません:\n";
constexpr char kCopyLeft[] = "移動先にコピーしましたが、元のファイルを削除できず、コピーも削除できませんでした。\n"
                             "同じファイルが2か所にあります:\n";

}  // namespace

FW_BEGIN_PART_MESSAGE_MAP(CSortingOps)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kMove), 0, OnMove)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kDelete), 0, OnDelete)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kCopy), 0, OnCopy)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kDeleteDirectory), 0, OnDeleteDirectory)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kKill), 0, OnKill)
FW_END_PART_MESSAGE_MAP()

CSortingOps::CSortingOps(IViewerHost& host, const Settings& settings, CFolder& folder, IOperationRecorder* recorder)
    : m_host(host), m_settings(settings), m_folder(folder), m_pRecorder(recorder) {}

CSortingOps::Renaming CSortingOps::MoveRenaming() const {
    return m_settings.m_bAutoRenameAtMove == 1 ? Renaming::kOn : Renaming::kOff;
}

// Whether the folder `dir` is the one the file at `source` is in, whatever either path is
// spelled like. The answer for the latest pair of paths is kept: the same two come with
// every key of a sorting session.
bool CSortingOps::IsOwnFolder(const std::wstring& source, const std::wstring& dir) {
    const std::wstring sourceDir = GetDirectoryPart(source);
    if (m_sameFolder && m_sameFolder->sourceDir == sourceDir && m_sameFolder->dir == dir) {
        return m_sameFolder->same;
    }
    const std::optional<fw::FileIdentity> a = fw::IdentityOf(sourceDir);
    const std::optional<fw::FileIdentity> b = fw::IdentityOf(dir);
    const bool same = a && b && *a == *b;
    // Only an answer that both folders gave is kept: a target made later is asked again.
    if (a && b) {
        m_sameFolder = SameFolder{sourceDir, dir, same};
    }
    return same;
}

OpResult CSortingOps::TransferFile(const std::wstring& source, const std::string& dir, Transfer transfer,
                                   Renaming renaming) {
    if (dir.empty()) {
        return OpResult::Failed();  // an unset target would be the root of the current drive
    }
    if (Settings::MayBeCut(dir)) {
        fw::MessageBox(m_host.OwnerWindow(), std::string(kMayBeCutText) + dir);
        return OpResult::Refused();
    }
    const std::wstring name = GetFileNamePart(source);
    const std::wstring target = fw::Widen932(dir);
    // A move into the picture's own folder would only rename it in place.
    if (IsOwnFolder(source, target)) {
        fw::MessageBox(m_host.OwnerWindow(),
                       std::string(transfer == Transfer::kCopy ? "コピー先" : "移動先") + kOwnFolderText + dir);
        return OpResult::Refused();
    }
    std::wstring destination = EntryPath(target, name);
    if (transfer == Transfer::kMove) {
        if (const std::optional<OpResult> trashed = TrashIfDuplicate(source, destination)) {
            return *trashed;
        }
    }
    if (renaming == Renaming::kOn) {
        // The last candidate is used untried: the move onto it fails if it is taken.
        for (int i = 0; i < kRenameCandidates && PathTaken(destination); ++i) {
            destination = EntryPath(target, RenamedFileName(name, i));
        }
    }
    if (transfer == Transfer::kCopy) {
        return ::CopyFileW(source.c_str(), destination.c_str(), TRUE) ? OpResult::Done() : SystemFailure();
    }
    bool copyLeft = false;
    if (!fw::MoveFileNoReplace(source, destination, &copyLeft)) {
        const OpResult failure = SystemFailure();
        if (copyLeft) {
            fw::MessageBox(m_host.OwnerWindow(), fw::Widen932(kCopyLeft) + source + L"\n" + destination, nullptr,
                           MB_OK);
            return OpResult::Refused();
        }
        return failure;
    }
    // Recorded here, once the file is in one place; an operation that could not be
    // recorded has happened all the same, and the user hears that Ctrl-Z will not find it.
    if (m_pRecorder != nullptr &&
        !m_pRecorder->Record(transfer == Transfer::kTrashMove ? FileOp::kTrashMove : FileOp::kMove, source,
                             destination)) {
        fw::MessageBox(m_host.OwnerWindow(), kNotRecordedText, nullptr, MB_OK);
    }
    return OpResult::Done();
}

OpResult CSortingOps::MoveFile(const std::wstring& path) {
    return TransferFile(path, m_settings.m_strMoveDir, Transfer::kMove, MoveRenaming());
}

OpResult CSortingOps::TrashFile(const std::wstring& path) {
    return TransferFile(path, m_settings.m_strTrashDir, Transfer::kTrashMove, Renaming::kOff);
}

OpResult CSortingOps::CopyFile(const std::wstring& path) {
    return TransferFile(path, m_settings.m_strCopyDir, Transfer::kCopy, Renaming::kOff);
}

OpResult CSortingOps::KillFile(const std::wstring& path) {
    if (m_settings.m_bDeleteImmediate == 0) {
        fw::MessageBox(m_host.OwnerWindow(), "即時削除の許可が禁止されています。\nKillコマンドはキャンセルされます。",
                       "Kill", MB_OK);
        return OpResult::Refused();
    }
    return ::DeleteFileW(path.c_str()) ? OpResult::Done() : SystemFailure();
}

// Every completed move, trash move and kill of the selected picture ends with its entry
// leaving the list: the entry that took its place is shown.
OpResult CSortingOps::OnSelectedFile(OpResult (CSortingOps::*operation)(const std::wstring& path), bool leaves) {
    const ListEntry* selected = m_folder.Selected();
    if (selected == nullptr || selected->IsDirectory()) {
        return OpResult::NothingToDo();
    }
    if (IsDeviceName(selected->name)) {
        return RefuseDeviceName(selected->name);
    }
    // By its name: a message box on the way may let the watch take the entry out first.
    const std::wstring name = selected->name;
    const OpResult result = (this->*operation)(m_folder.PathOf(name));
    if (result.IsDone() && leaves) {
        m_folder.RemoveNamed(name);
    }
    return result;
}

OpResult CSortingOps::MoveSelectedFile() {
    return OnSelectedFile(&CSortingOps::MoveFile, true);
}

OpResult CSortingOps::MoveSelectedFileInto(const std::string& dir) {
    const ListEntry* selected = m_folder.Selected();
    if (selected == nullptr || selected->IsDirectory()) {
        return OpResult::NothingToDo();
    }
    const std::wstring name = selected->name;
    const OpResult result = TransferFile(m_folder.PathOf(name), dir, Transfer::kMove, MoveRenaming());
    if (result.IsDone()) {
        m_folder.RemoveNamed(name);
    }
    return result;
}

OpResult CSortingOps::TrashSelectedFile() {
    return OnSelectedFile(&CSortingOps::TrashFile, true);
}

OpResult CSortingOps::CopySelectedFile() {
    return OnSelectedFile(&CSortingOps::CopyFile, false);
}

OpResult CSortingOps::KillSelectedFile() {
    // The refusal comes before the look at the selection: K on a directory hears it too.
    if (m_settings.m_bDeleteImmediate == 0) {
        return KillFile(std::wstring());
    }
    return OnSelectedFile(&CSortingOps::KillFile, true);
}

OpResult CSortingOps::DeleteSelectedDirectory() {
    // Only a listed directory, by its name exactly as on disk.
    const ListEntry* selected = m_folder.Selected();
    if (selected == nullptr || !selected->IsDirectory()) {
        fw::MessageBox(m_host.OwnerWindow(), "ディレクトリではありません。\n", nullptr, MB_OK);
        return OpResult::Refused();
    }
    if (IsDeviceName(selected->name)) {
        return RefuseDeviceName(selected->name);
    }
    const OpResult result = DeleteDirectoryTree(m_folder.PathOf(*selected));
    m_folder.Relist();
    return result;
}

OpResult CSortingOps::RefuseDeviceName(const std::wstring& name) const {
    fw::MessageBox(m_host.OwnerWindow(), fw::Widen932(kDeviceName) + name);
    return OpResult::Refused();
}

OpResult CSortingOps::DeleteDirectoryTree(const std::wstring& path) {
    // The shell takes a list of paths ended by an empty one. A real name never holds the
    // wildcards '?' or '*', which the shell would expand.
    std::vector<wchar_t> from(path.size() + 2, L'\0');
    path.copy(from.data(), path.size());
    const std::wstring title = fw::Widen932("削除中");
    SHFILEOPSTRUCTW operation{};
    // Owned by the window, which is disabled while the shell works: no menu, drop or key
    // reaches it meanwhile, and the busy gate refuses what comes another way.
    operation.hwnd = m_host.OwnerWindow();
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.data();
    operation.pTo = L"";
    operation.fFlags = FOF_ALLOWUNDO;
    operation.fAnyOperationsAborted = FALSE;
    operation.hNameMappings = nullptr;
    operation.lpszProgressTitle = title.c_str();
    m_bDeletingTree = true;
    const int result = fw::ShellFileOperation(operation);
    m_bDeletingTree = false;
    // The shell's own dialogs are its only word on a plain path. A path in the exact form
    // (a name the plain form would take for another) is one the shell may not take: its
    // refusal is told, so that nothing else is ever deleted in its place.
    if (result != 0 && !operation.fAnyOperationsAborted && IsExactForm(path)) {
        return OpResult::Failed(static_cast<uint32_t>(result));
    }
    return OpResult::Done();
}

void CSortingOps::OnMove() {
    const OpResult result = MoveSelectedFile();
    m_host.ReportIfFailed(result, "移動失敗\n移動先Dir  : " + m_settings.m_strMoveDir);
    if (result.IsDone()) {
        ShowIfDuplicate();
    }
}

void CSortingOps::OnDelete() {
    const ListEntry* selected = m_folder.Selected();
    if (selected != nullptr && selected->IsDirectory()) {
        OnDeleteDirectory();
        return;
    }
    m_host.ReportIfFailed(TrashSelectedFile(), "移動失敗\n移動先Dir  : " + m_settings.m_strTrashDir);
}

void CSortingOps::OnCopy() {
    m_host.ReportIfFailed(CopySelectedFile(), "コピー失敗\nコピー先Dir  : " + m_settings.m_strCopyDir);
}

void CSortingOps::OnDeleteDirectory() {
    m_host.ReportIfFailed(DeleteSelectedDirectory(), "削除失敗\n");
}

void CSortingOps::OnKill() {
    m_host.ReportIfFailed(KillSelectedFile(), "削除失敗\n");
}
