#pragma once
// Renaming the selected entry, a picture or a sub-directory, in place in the current
// directory: the rename dialog asks for the new name, the entry is renamed on disk, the
// directory is listed again and the entry selected under its new name. A rename that does
// not happen says why and changes nothing.
#include <string>

#include "filelist/Folder.h"
#include "framework/MessageMap.h"
#include "host/KeyTable.h"
#include "host/OpResult.h"
#include "host/ViewerHost.h"
#include "undo/OperationRecorder.h"

class CRenameOps {
public:
    // Each completed rename is reported to `recorder` (none: not recorded).
    CRenameOps(IViewerHost& host, CFolder& folder, IOperationRecorder* recorder = nullptr);
    CRenameOps(const CRenameOps&) = delete;
    CRenameOps& operator=(const CRenameOps&) = delete;

    // Renames the selected entry to the name the dialog asks for and lists the folder again
    // with it selected. A rename that does not happen says why (the name is taken, not
    // allowed, or the system refused it) and leaves the entry selected as it was.
    OpResult RenameSelectedEntry();

    FW_DECLARE_PART_MESSAGE_MAP()

private:
    void OnRename() { RenameSelectedEntry(); }
    OpResult Refuse(const char* why, const std::wstring& name) const;
    // Every rename of an entry ends here: true once the entry at `from` is at `to`. An
    // existing entry at `to` is never replaced.
    bool RenameOnDisk(const std::wstring& from, const std::wstring& to);
    // The rename itself, unrecorded.
    bool RenameEntry(const std::wstring& from, const std::wstring& to);

    IViewerHost& m_host;
    CFolder& m_folder;
    IOperationRecorder* m_pRecorder;
};
