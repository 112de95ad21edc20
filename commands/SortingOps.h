#pragma once
// The sorting operations on the selected entry: moving the picture into the move or the
// trash directory, copying it, deleting it at once, and deleting a sub-directory through
// the shell. None replaces an existing file. Each operation returns true for success,
// and also when there was nothing to do or when it refused and told the user why; the
// key commands report a failure with the target named.
#include <string>

#include "filelist/FileList.h"
#include "framework/MessageMap.h"
#include "host/KeyTable.h"
#include "host/ViewerHost.h"
#include "settings/Settings.h"
#include "undo/OperationRecorder.h"

class CSortingOps {
public:
    // Each completed move and trash move is reported to `recorder` (none: not recorded).
    CSortingOps(IViewerHost& host, const Settings& settings, CFileList& files, IOperationRecorder* recorder = nullptr);
    CSortingOps(const CSortingOps&) = delete;
    CSortingOps& operator=(const CSortingOps&) = delete;

    // Moves the picture into the move directory, under a new name when its own is taken
    // and renaming is on (the setting is exactly 1).
    bool MoveSelectedFile();
    bool TrashSelectedFile();
    bool CopySelectedFile();
    // Deletes the picture outright when the settings allow it; otherwise says why not.
    bool KillSelectedFile();
    // Sends the selected directory, with everything in it, to the recycle bin through the
    // shell, then lists the directory again.
    bool DeleteSelectedDirectory();

    enum class Confirmation {
        kAsk,
        kSkip,
        // none asked, but the shell warns before it deletes anything for good rather than
        // recycling it
        kOnlyBeforeDestroying,
    };
    // The shell's recursive deletion of the directory at `path` (its exact name), into the
    // recycle bin.
    void DeleteDirectoryTree(const std::wstring& path, Confirmation confirmation);

    FW_DECLARE_PART_MESSAGE_MAP()

private:
    enum class Transfer { kMove, kTrashMove, kCopy };
    enum class Renaming { kOff, kOn };
    // Moves or copies the selected picture to `dir` + its name (or the name chosen for it).
    bool TransferSelectedFile(const std::string& dir, Transfer transfer, Renaming renaming);
    // Every completed move, trash move and kill ends here: the entry leaves the list and
    // the entry that took its place is shown.
    void FileLeftFolder();
    bool IsDirectorySelected() const;

    void OnMove();
    void OnDelete();
    void OnCopy();
    void OnDeleteDirectory();
    void OnKill();

    IViewerHost& m_host;
    const Settings& m_settings;
    CFileList& m_files;
    IOperationRecorder* m_pRecorder;
};
