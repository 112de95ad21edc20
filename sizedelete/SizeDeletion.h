#pragma once
// Size-judged deletion: a picture narrower or lower than the threshold of the settings is
// deleted at once. Shift-Ctrl-T judges the selected picture; three menu commands run a
// pass over the listed entries, over the tree below the current directory (removing the
// sub-directories it empties), or over the tree while moving every picture that stays
// into the move directory; a fourth edits the threshold. A pass shows each picture it
// judges, drains the message queue between entries and stops when Escape is held down,
// when a kill or a move does not happen, or when the window is closed; its closing
// message tells why it stopped early and what it left because it could not read it.
// Nothing is deleted on a guess: a picture that could not be read for want of memory,
// for its size or for a read error is judged by its header, else kept; a folder that
// could not be listed is passed over; an emptied folder goes only where the recycle bin
// surely takes what it still holds.
#include <string>

#include "commands/SortingOps.h"
#include "filelist/FileList.h"
#include "framework/MessageMap.h"
#include "host/KeyTable.h"
#include "host/ViewerHost.h"
#include "sizedelete/PassHost.h"
#include "pane/PicturePane.h"
#include "settings/Settings.h"
#include "sizedelete/SizeJudgement.h"

class CSizeDeletion {
public:
    CSizeDeletion(IViewerHost& host,
                  IPassHost& passHost,
                  Settings& settings,
                  CFileList& files,
                  const CPicturePane& pane,
                  CSortingOps& sorting);
    CSizeDeletion(const CSizeDeletion&) = delete;
    CSizeDeletion& operator=(const CSizeDeletion&) = delete;

    // What the judgement of the selected entry came to.
    enum class Verdict {
        kNotJudged,    // a directory or nothing is selected
        kStays,        // large enough
        kUnreadable,   // no size could be read: kept unjudged
        kKilled,       // small, and deleted
        kKillNotDone,  // small, but the kill was refused or failed: the picture is still there
    };
    // Judges the selected picture by the size it was decoded at, and kills it when it is
    // small. A file that holds no picture counts as 0 x 0; one that failed to decode for
    // another reason goes by the size its header names (see SizeToJudge).
    Verdict DeleteSelectedIfSmall();

    void OnSizeDeleteSettings();
    void OnSizeDeleteAll();
    void OnSizeDeleteRecursive();
    void OnSizeDeleteRecursiveMove();

    bool IsPassRunning() const { return m_bSizeDeleteRunning; }
    // Ends the running pass before its next entry, as Escape does: the window is closing.
    void StopPass();

    FW_DECLARE_PART_MESSAGE_MAP()

private:
    enum class Pass { kList, kTree, kTreeMove };
    enum class Moving { kOff, kOn };

    // The frame every pass runs in: the list controls disabled throughout, the checks and
    // the confirmation, the pass, and the closing message.
    void RunPass(Pass pass);
    void RunConfirmedPass(Pass pass);
    void SizeDeleteListPass();
    void SizeDeleteTree(Moving moving);
    // Walks the selected sub-directory and removes it when the walk left it empty; true
    // when it went.
    bool WalkSelectedDirectory(Moving moving);
    // After the walk of a sub-directory: makes its entry the selected one again; false
    // when the parent no longer lists it.
    bool ReselectDirectory(const std::wstring& name);
    // How an emptied sub-directory may go: at once when nothing is left in it; when it
    // still holds files, only where the recycle bin surely takes them all (else the shell
    // would delete them for good); not at all when that cannot be told.
    enum class Removal { kKeep, kEmpty, kIntoRecycleBin };
    static Removal HowToRemoveEmptiedDirectory(const std::wstring& path);
    // Drains the queue and reads Escape once; false when the pass is to stop.
    bool ContinuePass();
    // Ends the pass before its next entry; the first reason given is the one it tells.
    void Stop(PassStop why, const std::wstring& path = std::wstring());
    // The full path of the selected entry.
    std::wstring SelectedPath() const;
    void HoldListDrawing();
    enum class Title { kNow, kWhenDue };
    void ShowProgress(Title when = Title::kWhenDue);
    void SelectFirstEntry();
    void SelectNextEntry();
    void OnDeleteSelectedIfSmall();

    IViewerHost& m_host;
    IPassHost& m_pass;
    Settings& m_settings;
    CFileList& m_files;
    const CPicturePane& m_pane;
    CSortingOps& m_sorting;
    bool m_bSizeDeleteRunning = false;
    PassProgress m_progress;
    DWORD m_lastTitleTick = 0;
};
