#pragma once
// Renaming the selected entry, a picture or a sub-directory, in place in the current
// directory: the rename dialog asks for the new name, the entry is renamed on disk, the
// directory is listed again and the entry selected under its new name. A rename that
// fails is not reported: the list shows what the disk holds.
#include <string>

#include "filelist/Folder.h"
#include "framework/MessageMap.h"
#include "host/KeyTable.h"
#include "host/ViewerHost.h"
#include "undo/OperationRecorder.h"

class CRenameOps {
public:
    // Each completed rename is reported to `recorder` (none: not recorded).
    CRenameOps(IViewerHost& host, CFolder& folder, IOperationRecorder* recorder = nullptr);
    CRenameOps(const CRenameOps&) = delete;
    CRenameOps& operator=(const CRenameOps&) = delete;

    void RenameSelectedEntry();

    FW_DECLARE_PART_MESSAGE_MAP()

private:
    // Every rename of an entry ends here: true once the entry at `from` is at `to`. An
    // existing entry at `to` is never replaced.
    bool RenameOnDisk(const std::wstring& from, const std::wstring& to);
    // The rename itself, unrecorded.
    bool RenameEntry(const std::wstring& from, const std::wstring& to);

    IViewerHost& m_host;
    CFolder& m_folder;
    IOperationRecorder* m_pRecorder;
};
