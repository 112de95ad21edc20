#include "commands/RenameOps.h"

#include <windows.h>

#include "commands/RenameDlg.h"
#include "framework/FileNames.h"
#include "framework/Prompts.h"
#include "portable/PathUtil.h"

FW_BEGIN_PART_MESSAGE_MAP(CRenameOps)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kRename), 0, RenameSelectedEntry)
FW_END_PART_MESSAGE_MAP()

CRenameOps::CRenameOps(IViewerHost& host, CFolder& folder, IOperationRecorder* recorder)
    : m_host(host), m_folder(folder), m_pRecorder(recorder) {}

void CRenameOps::RenameSelectedEntry() {
    const ListEntry* selected = m_folder.Selected();
    if (selected == nullptr) {
        return;
    }
    // The name exactly as stored on disk (a directory's without its brackets, blanks included).
    const std::wstring oldName = selected->name;
    const bool directory = selected->IsDirectory();
    fw::CWnd owner;
    owner.Attach(m_host.OwnerWindow());
    CRenameDlg dlg(oldName, &owner);
    if (dlg.DoModal() != IDOK) {
        return;
    }
    const std::wstring& newName = dlg.Name();
    // The name confirmed as it was: nothing to rename, nothing to record for Ctrl-Z.
    if (newName == oldName) {
        return;
    }
    // A name with a path in it would move the entry out of the directory: refused.
    if (IsPlainFileName(newName)) {
        const std::wstring from = m_folder.PathOf(*selected);
        RenameOnDisk(from, m_folder.PathOf(newName));
    }
    m_folder.RelistSelecting(directory ? ListEntry::Directory(newName).Text() : newName);
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
