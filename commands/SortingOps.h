#pragma once
// The sorting operations: moving a picture into the move or the trash directory, copying
// it, deleting it at once, and deleting a sub-directory through the shell. Each acts on the
// folder's selected entry for the key commands, or on a file by its path for the
// size-judged passes, and says what happened. None replaces an existing file.
#include <optional>
#include <string>

#include "filelist/Folder.h"
#include "framework/MessageMap.h"
#include "host/KeyTable.h"
#include "host/OpResult.h"
#include "host/ViewerHost.h"
#include "settings/Settings.h"
#include "undo/OperationRecorder.h"

class CSortingOps {
public:
    // Each completed move and trash move is reported to `recorder` (none: not recorded).
    CSortingOps(IViewerHost& host, const Settings& settings, CFolder& folder, IOperationRecorder* recorder = nullptr);
    CSortingOps(const CSortingOps&) = delete;
    CSortingOps& operator=(const CSortingOps&) = delete;

    // On the selected picture; a picture that went leaves the folder's list and the entry
    // that took its place is shown. Nothing to do on a directory or nothing.
    // Moves it into the move directory, under a new name when its own is taken and
    // renaming is on (the setting is exactly 1).
    OpResult MoveSelectedFile();
    // The same into the folder `dir` (code page 932) instead of the move directory, under
    // the same renaming rule, recorded as a move.
    OpResult MoveSelectedFileInto(const std::string& dir);
    OpResult TrashSelectedFile();
    OpResult CopySelectedFile();
    // Deletes it outright when the settings allow it; otherwise says why not (refused).
    OpResult KillSelectedFile();
    // Sends the selected directory, with everything in it, to the recycle bin through the
    // shell, then lists the folder again. A picture selected is refused with a message.
    // An entry with a device's name is refused on every operation.
    OpResult DeleteSelectedDirectory();

    // The same on a file by its exact path, as the size-judged passes use them; the
    // folder's list is left alone.
    OpResult MoveFile(const std::wstring& path);
    OpResult KillFile(const std::wstring& path);

    // Whether the shell's deletion of a directory runs now (its dialogs keep the window's
    // messages going meanwhile).
    bool IsDeletingTree() const { return m_bDeletingTree; }

    // Told, after "移動先" or "コピー先", when the target is the folder the picture is in.
    // Told when a folder value may have been cut short by an earlier version.
    static constexpr char kMayBeCutText[] =
        "フォルダーの設定が以前の版で途中で切られた可能性があるため、使いません。設定し直してください:\n";
    static constexpr char kOwnFolderText[] = "が、画像のあるフォルダーと同じです。何もしませんでした:\n";

    // After a move that is done: when the picture went to the trash folder as a duplicate
    // of the file of its name in the target, the title's note says so, and true.
    bool ShowIfDuplicate();

    FW_DECLARE_PART_MESSAGE_MAP()

private:
    // The shell's recursive deletion of the directory at `path` (its exact name), into the
    // recycle bin, after the shell's own question. Failed only when the shell refused a path
    // in the exact form; otherwise the shell's own dialogs tell what it did.
    OpResult DeleteDirectoryTree(const std::wstring& path);
    enum class Transfer { kMove, kTrashMove, kCopy };
    enum class Renaming { kOff, kOn };
    // Moves or copies the file at `source` to `dir` + its name (or the name chosen for it).
    OpResult TransferFile(const std::wstring& source, const std::string& dir, Transfer transfer, Renaming renaming);
    // When duplicates go to the trash (the setting is exactly 1) and the file at `taken`
    // holds the same bytes as the one at `source`, the trash move of `source` (recorded as
    // one); none when it is no duplicate.
    std::optional<OpResult> TrashIfDuplicate(const std::wstring& source, const std::wstring& taken);
    // A selected picture's operation; when it went, its entry leaves the list.
    OpResult OnSelectedFile(OpResult (CSortingOps::*operation)(const std::wstring& path), bool leaves);
    OpResult TrashFile(const std::wstring& path);
    // No operation touches an entry with a device's name: the user is told.
    OpResult RefuseDeviceName(const std::wstring& name) const;
    OpResult CopyFile(const std::wstring& path);
    Renaming MoveRenaming() const;
    bool IsOwnFolder(const std::wstring& source, const std::wstring& dir);

    void OnMove();
    void OnDelete();
    void OnCopy();
    void OnDeleteDirectory();
    void OnKill();

    IViewerHost& m_host;
    const Settings& m_settings;
    CFolder& m_folder;
    IOperationRecorder* m_pRecorder;
    struct SameFolder {
        std::wstring sourceDir;
        std::wstring dir;
        bool same = false;
    };
    std::optional<SameFolder> m_sameFolder;
    bool m_bDeletingTree = false;
    // The file in the target that the picture moved last was a duplicate of; empty when none.
    std::wstring m_strDuplicateOf;
};
