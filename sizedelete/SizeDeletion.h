#pragma once
// Size-judged deletion: a picture narrower or lower than the threshold of the settings is
// deleted at once. Shift-Ctrl-T judges the selected picture; three menu commands run a
// pass over the listed entries, over the tree below the current directory (removing the
// sub-directories it empties), or over the tree while moving every picture that stays
// into the move directory; a fourth edits the threshold. A pass reads each picture it
// judges and shows it, keeps the window alive between pictures and while a picture is
// read, and stops when Escape is held down, when a kill or a move does not happen, or
// when the window is closed; its closing message tells why it stopped early and what it
// left. Nothing is deleted on a guess: a picture that could not be read for want of
// memory, for its size or for a read error is judged by its header, else kept; one that
// takes too long to read is kept; one that changed after it was judged is kept; a folder
// that could not be listed is passed over; a folder goes only when the pass took out
// every picture it listed and nothing else is left in it.
#include <string>
#include <vector>

#include "commands/SortingOps.h"
#include "filelist/Folder.h"
#include "framework/FileIdentity.h"
#include "framework/MessageMap.h"
#include "host/KeyTable.h"
#include "host/ViewerHost.h"
#include "image/SpiPluginList.h"
#include "pane/PicturePane.h"
#include "pane/ReadAhead.h"
#include "settings/Settings.h"
#include "sizedelete/PassView.h"
#include "sizedelete/SizeJudgement.h"
#include "sizedelete/TreeWalk.h"

class CSizeDeletion : private ITreeWalkSteps {
public:
    CSizeDeletion(IViewerHost& host, IPassView& view, Settings& settings, CFolder& folder, const CPicturePane& pane,
                  CSortingOps& sorting, const CSpiPluginList& plugins);
    CSizeDeletion(const CSizeDeletion&) = delete;
    CSizeDeletion& operator=(const CSizeDeletion&) = delete;

    // What the judgement of a picture came to.
    enum class Verdict {
        kNotJudged,    // a directory or nothing is selected
        kStays,        // large enough
        kUnreadable,   // no size could be read: kept unjudged
        kKilled,       // small, and deleted
        kKillNotDone,  // small, but the kill was refused or failed: the picture is still there
        kChanged,      // small, but the file changed after it was read: kept
        kGivenUp,      // the reading was given up (too long, or the pass stopped): kept unjudged
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
    // What the latest pass did.
    const PassProgress& Progress() const { return m_progress; }
    // How long a pass waits for one picture to be read before it keeps it unjudged.
    static constexpr DWORD kDecodeLimitMs = 30000;
    // Another limit (a test's).
    void SetDecodeLimit(DWORD ms) { m_decodeLimitMs = ms; }

    FW_DECLARE_PART_MESSAGE_MAP()

private:
    enum class Pass { kList, kTree, kTreeMove };
    enum class Moving { kOff, kOn };

    // The frame every pass runs in: the checks and the confirmation, the pass, the folder
    // listed again, and the closing message.
    void RunPass(Pass pass);
    void SizeDeleteListPass();
    // The steps of the tree passes' walk (see TreeWalk.h).
    bool GoOn() override;
    Outcome Picture(const std::wstring& path, const ListEntry& entry) override;
    std::optional<Entries> Enter(const std::wstring& path, const ListEntry& entry) override;
    Outcome Leave(const std::wstring& parent, const std::wstring& path, bool emptied) override;
    // Judges the picture at `path` as `decoder` (or another decoder, see
    // DecodeByAnyDecoder) reads it, shows it, and kills it when small and still as it was
    // when `stamp` was taken, before the reading.
    Verdict JudgeFile(const std::wstring& path, Decoder decoder, const std::optional<FileStamp>& stamp);
    // Kills a picture judged small at `path`, or the selected one, when it is still as it
    // was read (`stamp`, taken before it was).
    Verdict Judged(std::optional<PictureSize> size, const std::wstring& path, const std::optional<FileStamp>& stamp,
                   const std::function<OpResult()>& kill);
    // Whether `dir` is the move folder or a folder above it (the moving pass).
    bool HoldsMoveFolder(const std::wstring& dir) const;
    // Keeps the window alive and reads Escape once; false when the pass is to stop.
    bool ContinuePass();
    // Ends the pass before its next entry; the first reason given is the one it tells.
    void Stop(PassStop why, const std::wstring& path = std::wstring());
    enum class Title { kNow, kWhenDue };
    void ShowProgress(const std::wstring& dir, Title when = Title::kWhenDue);
    void OnDeleteSelectedIfSmall();

    IViewerHost& m_host;
    IPassView& m_view;
    Settings& m_settings;
    CFolder& m_folder;
    const CPicturePane& m_pane;
    CSortingOps& m_sorting;
    const CSpiPluginList& m_plugins;
    bool m_bSizeDeleteRunning = false;
    PassProgress m_progress;
    std::vector<fw::FileIdentity> m_moveChain;  // the moving pass's move folder and those above it
    Moving m_moving = Moving::kOff;
    DWORD m_decodeLimitMs = kDecodeLimitMs;
    DWORD m_lastTitleTick = 0;
};
