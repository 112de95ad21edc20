#include "commands/RenameOps.h"

#include <windows.h>

#include <cstdio>

#include "commands/RenameDlg.h"
#include "framework/Handles.h"
#include "framework/WideText.h"
#include "portable/PathUtil.h"

namespace {

// Free names tried beside an entry that changes only its letter case.
constexpr int kStepAsideTries = 100;

// The name of the entry at `path` as the directory holds it, in its own letter case;
// empty when there is none.
std::string NameOnDisk(const std::string& path) {
    WIN32_FIND_DATAA found{};
    const fw::FindHandle find(::FindFirstFileA(path.c_str(), &found));
    return find.IsValid() ? std::string(found.cFileName) : std::string();
}

}  // namespace

FW_BEGIN_PART_MESSAGE_MAP(CRenameOps)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kRename), 0, RenameSelectedEntry)
FW_END_PART_MESSAGE_MAP()

CRenameOps::CRenameOps(IViewerHost& host, IOperationRecorder* recorder) : m_host(host), m_pRecorder(recorder) {}

void CRenameOps::RenameSelectedEntry() {
    const ListEntry* selected = m_host.SelectedEntry();
    if (selected == nullptr) {
        return;
    }
    // The name as stored on disk (a directory's without its brackets, blanks included).
    // A '?' in it stands for a character that code page 932 cannot hold: the name
    // reaches no file, or as a pattern other files.
    const std::string oldName = fw::Narrow932Lossy(selected->name);
    const bool directory = selected->IsDirectory();
    if (oldName.find_first_of("?*") != std::string::npos) {
        return;
    }
    fw::CWnd owner;
    owner.Attach(m_host.OwnerWindow());
    CRenameDlg dlg(oldName, &owner);
    if (dlg.DoModal() != IDOK) {
        return;
    }
    const std::string& newName = dlg.Name();
    // The name confirmed as it was: nothing to rename, nothing to record for Ctrl-Z.
    if (newName == oldName) {
        return;
    }
    // A name with a path in it would move the entry out of the directory: refused.
    if (IsPlainFileName(newName)) {
        const std::string dir = AddTrailingBackslash(fw::Narrow932Lossy(m_host.CurrentDir()));
        RenameOnDisk(dir + oldName, dir + newName);
    }
    m_host.ListAgainSelecting(fw::Widen932(directory ? "[ " + newName + " ]" : newName));
}

bool CRenameOps::RenameOnDisk(const std::string& from, const std::string& to) {
    if (!RenameEntry(from, to)) {
        return false;
    }
    if (m_pRecorder != nullptr) {
        m_pRecorder->Recorded(FileOp::kRename, from, to);
    }
    return true;
}

bool CRenameOps::RenameEntry(const std::string& from, const std::string& to) {
    // The standard library's rename does not replace an existing file or directory.
    if (UpperCaseAscii(from) != UpperCaseAscii(to) || from == to) {
        return std::rename(from.c_str(), to.c_str()) == 0;
    }
    // Only the letter case changes. Most file systems rename the entry in place; one
    // may instead take the new name for the entry itself and report success with the
    // old name left as it was, which only the name on disk shows.
    if (std::rename(from.c_str(), to.c_str()) == 0 && NameOnDisk(to) == GetFileNamePart(to)) {
        return true;
    }
    // There the entry goes through a free name beside it, and back when the second step
    // fails.
    for (int i = 0; i < kStepAsideTries; ++i) {
        const std::string aside = from + ".rename" + std::to_string(i);
        if (::GetFileAttributesA(aside.c_str()) != INVALID_FILE_ATTRIBUTES) {
            continue;
        }
        if (std::rename(from.c_str(), aside.c_str()) != 0) {
            return false;
        }
        if (std::rename(aside.c_str(), to.c_str()) == 0) {
            return true;
        }
        std::rename(aside.c_str(), from.c_str());
        return false;
    }
    return false;
}
