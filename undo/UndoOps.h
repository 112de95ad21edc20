#pragma once
// Ctrl-Z: the latest recorded move, trash move or rename not yet undone is taken back,
// the file going back to its former path; pressed again, it walks further back. A record
// whose file is gone from its folder is passed over: it is marked done, told once, and the
// record before it is undone. It never replaces a file: when the former name is taken, or
// the file's folder is out of reach, or another file (another size or last-write time) or
// another folder (another identity) has taken its place, it says so and the record stays
// to be tried again. Copies and deletions are not recorded and cannot be undone.
#include <optional>
#include <string>

#include "filelist/Folder.h"
#include "framework/MessageMap.h"
#include "host/KeyTable.h"
#include "host/ViewerHost.h"
#include "undo/UndoJournal.h"

class CUndoOps {
public:
    CUndoOps(IViewerHost& host, CFolder& folder, CUndoJournal& journal);
    CUndoOps(const CUndoOps&) = delete;
    CUndoOps& operator=(const CUndoOps&) = delete;

    // True when a file went back. The list shows the folder it went back to only when that
    // is the current folder, with the restored entry selected and shown.
    bool UndoLatest();

    FW_DECLARE_PART_MESSAGE_MAP()

private:
    void OnUndo() { UndoLatest(); }
    // The latest record whose file or folder is where the operation left it. A record
    // whose file is gone from a folder still there is marked done on the way, and all
    // such are told in one message. None, told, when nothing is left to undo or the
    // latest record's folder is out of reach.
    std::optional<JournalEntry> LatestPresent();
    // `text` and a path after it, shown exactly.
    void ShowUndoMessage(const char* text, const std::wstring& path = std::wstring()) const;
    // Lists the current folder again when the undo changed it.
    void ShowOutcome(const std::wstring& restored, const std::wstring& left);

    IViewerHost& m_host;
    CFolder& m_folder;
    CUndoJournal& m_journal;
};
