#include "commands/RenameOps.h"

#include <windows.h>

#include "commands/RenameDlg.h"
#include "framework/FileNames.h"
#include "framework/Prompts.h"
#include "framework/WideText.h"
#include "portable/PathUtil.h"

namespace {

constexpr char kNotAllowed[] = "名前を変更できません。この名前は使えません:\n";
constexpr char kTaken[] = "名前を変更できません。同じ名前のファイルかフォルダがあります:\n";
constexpr char kFailed[] = "名前を変更できませんでした:\n";

}  // namespace

FW_BEGIN_PART_MESSAGE_MAP(CRenameOps)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kRename), 0, OnRename)
FW_END_PART_MESSAGE_MAP()

CRenameOps::CRenameOps(IViewerHost& host, CFolder& folder, IOperationRecorder* recorder)
    : m_host(host), m_folder(folder), m_pRecorder(recorder) {}

OpResult CRenameOps::RenameSelectedEntry() {
    const ListEntry* selected = m_folder.Selected();
    if (selected == nullptr) {
        return OpResult::NothingToDo();
    }
    // The name exactly as stored on disk (a directory's without its brackets, blanks included).
    const std::wstring oldName = selected->name;
    const bool directory = selected->IsDirectory();
    const std::wstring from = m_folder.PathOf(*selected);
    // No operation touches an entry with a device's name.
    if (IsDeviceName(oldName)) {
        return Refuse(kNotAllowed, oldName);
    }
    fw::CWnd owner;
    owner.Attach(m_host.OwnerWindow());
    CRenameDlg dlg(oldName, &owner);
    if (dlg.DoModal() != IDOK) {
        return OpResult::NothingToDo();
    }
    const std::wstring& newName = dlg.Name();
    // The name confirmed as it was: nothing to rename, nothing to record for Ctrl-Z.
    if (newName == oldName) {
        return OpResult::NothingToDo();
    }
    // A name with a path in it would move the entry out of the directory; a device's
    // name, or one the system would change (a final dot or blank), names no entry of its own.
    if (!IsPlainFileName(newName) || NameNeedsExactForm(newName)) {
        return Refuse(kNotAllowed, newName);
    }
    const std::wstring to = m_folder.PathOf(newName);
    if (!fw::SameNameIgnoringCase(from, to) && fw::PathExists(to)) {
        return Refuse(kTaken, newName);
    }
    if (!RenameOnDisk(from, to)) {
        const DWORD error = ::GetLastError();
        fw::MessageBox(m_host.OwnerWindow(), fw::Widen932(kFailed) + newName + L"\n" + fw::SystemErrorText(error));
        return OpResult::Failed(error);
    }
    m_folder.RelistSelecting(directory ? ListEntry::Directory(newName).Text() : newName);
    return OpResult::Done();
}

// Tells why the rename does not happen; the entry stays as it is, selected.
OpResult CRenameOps::Refuse(const char* why, const std::wstring& name) const {
    fw::MessageBox(m_host.OwnerWindow(), fw::Widen932(why) + name);
    return OpResult::Refused();
}

bool CRenameOps::RenameOnDisk(const std::wstring& from, const std::wstring& to) {
    if (!RenameEntry(from, to)) {
        return false;
    }
    if (m_pRecorder != nullptr && !m_pRecorder->Record(FileOp::kRename, from, to)) {
        fw::MessageBox(m_host.OwnerWindow(), kNotRecordedText, nullptr, MB_OK);
    }
    return true;
}

bool CRenameOps::RenameEntry(const std::wstring& from, const std::wstring& to) {
    // Neither way replaces an existing entry.
    return fw::SameNameIgnoringCase(from, to) ? fw::ChangeNameCase(from, to)
                                              : ::MoveFileW(from.c_str(), to.c_str()) != FALSE;
}
