#pragma once
// The picture pane: a child window of the main window, right of the file list, that shows
// the folder's selected entry: its picture, fitted to the pane or at actual size with
// scrolling, or for a directory the first picture inside it, its preview. It holds one
// record of what it shows, decoded when the entry is selected, and draws it only when it
// paints, each pixel once; everything else asks for a repaint. In idle time it decodes the
// pictures the user will likely go to next (see CReadAhead), scales what it shows to the
// pane once, and shows a copy read ahead instead of decoding the file again.
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

#include "filelist/Folder.h"
#include "framework/ChildWnd.h"
#include "framework/MessageMap.h"
#include "host/KeyTable.h"
#include "image/DecodeFailure.h"
#include "image/FittedCopy.h"
#include "image/PaneGeometry.h"
#include "image/Picture.h"
#include "image/SpiPluginList.h"
#include "pane/AheadWorkers.h"
#include "pane/ReadAhead.h"
#include "portable/KeepGoing.h"

class CPicturePane : public fw::CChildWnd, public IFolderListener {
public:
    CPicturePane(const CFolder& folder, const CSpiPluginList& plugins);
    CPicturePane(const CPicturePane&) = delete;
    CPicturePane& operator=(const CPicturePane&) = delete;

    // IFolderListener: the selected entry is shown (a listing lets go of the copies read
    // ahead first).
    void OnListed() override;
    void OnSelected() override;
    // Another program wrote to an entry's file: no copy of it read before is shown again,
    // and the shown picture is read again when its file is no longer what was read.
    void OnChanged(int index) override;

    // Shows the folder's selected entry now: releases what was shown, decodes the entry's
    // picture (for a directory its preview) and puts the pane on screen.
    void ShowSelected();
    // While a size-judged pass goes by every picture it judges, each is shown only in
    // passing: fitted, it is stretched straight from the picture, no copy scaled to the
    // pane is made and nothing is read ahead.
    // The read-ahead's workers are stopped for it.
    void SetPassing(bool passing);
    // Shows a picture a size-judged pass has read from `path` (empty when it could not be
    // read), in passing.
    void ShowPassing(const std::wstring& path, CPicture picture);

    // Moves the actual-size view by dx, dy picture pixels; true when nothing moved.
    bool Scroll(int dx, int dy);
    // Switches between fitted and actual size and shows the result.
    void ToggleFit();
    bool IsFitToPane() const { return m_bFitToPane; }
    void SetFitToPane(bool fit);
    int GetScrollX() const { return m_nScrollX; }
    int GetScrollY() const { return m_nScrollY; }
    // Where the pane lies in the main window (its client coordinates).
    RECT GetPaneRect() const;
    // Draws a picture laid out in the pane on `dc` (a device context of the pane), and the
    // rest of the pane black. Fitted, it is drawn from `fitted` when one is given and of
    // the size the picture is shown at; otherwise stretched, and the copy is asked of the
    // idle work.
    void DrawPicture(HDC dc, const CPicture& picture, CFittedCopy* fitted = nullptr);
    // The size a picture is shown at when fitted into the pane as it is now.
    SIZE FittedSizeOf(const CPicture& picture) const { return FittedSizeOf(SIZE{picture.Width(), picture.Height()}); }
    SIZE FittedSizeOf(SIZE pictureSize) const;

    // ---- What the pane shows ----
    // The shown entry's picture; empty for a directory, nothing, or after a failed decode.
    // A picture read ahead on a worker is held by its copy scaled to the pane only, and
    // this is empty then too: FullShownPicture decodes it.
    const CPicture& ShownPicture() const { return m_shown.kind == Shown::kPicture ? m_shown.picture : m_none; }
    // The shown entry's picture in full, decoded now when only its copy scaled to the pane
    // is held; empty when it cannot be had.
    const CPicture& FullShownPicture();
    // The selected directory's preview; empty when none is selected or it shows nothing.
    const CPicture& PreviewPicture() const { return m_shown.kind == Shown::kPreview ? m_shown.picture : m_none; }
    // Whether the picture of the shown entry is held, in full or by its copy scaled to the
    // pane (it may be gone after a failed load).
    bool HoldsPicture() const { return m_shown.kind == Shown::kPicture && HeldSize().cx > 0; }
    // What decoded the shown picture; none for a directory or nothing.
    Decoder ShownDecoder() const { return m_shown.kind == Shown::kPicture ? m_shown.decoder : Decoder(); }
    // The full path of the picture file shown; empty for a directory or nothing.
    const std::wstring& ShownPath() const { return m_shown.kind == Shown::kPicture ? m_shown.path : m_noPath; }
    // The shown file's stamp as it was when it was read (or its decode failed); none for a
    // directory or nothing.
    std::optional<FileStamp> ShownStamp() const;
    // The size of the shown picture as decoded, also while only its copy scaled to the pane
    // is held; 0 x 0 when none is held.
    SIZE ShownPictureSize() const { return m_shown.kind == Shown::kPicture ? HeldSize() : SIZE{}; }
    // Why the shown file's picture could not be decoded; none when it was (or for a
    // directory or nothing).
    std::optional<DecodeFailure> ShownFailure() const {
        return m_shown.kind == Shown::kPicture ? m_shown.failure : std::nullopt;
    }
    // The size the shown file's header names, read now without decoding the file; none
    // when it cannot be read, or for a directory or nothing.
    std::optional<PictureSize> ShownHeaderSize() const;
    // The shown picture scaled to the pane; empty until the idle work (or the read-ahead)
    // has made it.
    const CFittedCopy& ShownFitted() const { return m_shown.fitted; }
    // Whether the shown picture came from a copy read ahead.
    bool ShownFromReadAhead() const { return m_shown.fromReadAhead; }
    // Whether a picture waits to be decoded because its decode was given up.
    bool IsPending() const { return m_shown.pending; }
    // Before a command acts on the shown picture: a pending one is decoded and the pane is
    // painted now. False when `repeat` (the command's key is held down) and the picture has
    // still not been on screen: a repeat acts only on a picture the user has seen.
    bool MakeShownSeen(bool repeat);
    // Told each time what the pane shows changes: another entry, or its picture decoded at last.
    void WatchShown(std::function<void()> changed) { m_shownChanged = std::move(changed); }
    // Told the shown picture's path each time some of it reaches the screen (for tests).
    void WatchDrawing(std::function<void(const std::wstring& path)> drawn) { m_drawn = std::move(drawn); }
    // Releases the pictures the pane holds, those read ahead included (before the
    // plug-ins go away).
    void ReleasePictures();

    // ---- Idle-time work ----
    // Asks for the idle work to run once nothing else is queued.
    void ScheduleIdleWork();
    // One round of it, as the pane's timer runs it: the picture whose decode was given up,
    // the shown picture's copy scaled to the pane, the pictures beside it in the direction
    // of travel, and last the shown picture's device bitmap. Each gives way to waiting input.
    void RunIdleWork();
    // The idle work's parts, as a test or benchmark drives them on their own. Each answers
    // false when it stopped before its end: it is to be asked again.
    bool ShowPending();
    bool ScaleShownToPane(const KeepGoing& keepGoing = {});
    void MakeShownBitmap();
    // Decodes the pictures of `entries` ahead of time, most wanted first (null entries,
    // directories and the shown picture are passed over), lets go of every other copy read
    // ahead, and scales them to the pane. Stops as soon as `keepGoing` answers false (it is
    // asked during the scaling too), and stops the scaling of a picture drawn through a
    // device bitmap once `nothingWaits` answers false: the key that waits for it draws it
    // stretched sooner than it would wait for the scaling.
    using KeepReading = std::function<bool(const ListEntry& entry)>;
    bool ReadAhead(std::initializer_list<const ListEntry*> entries, const KeepReading& keepGoing,
                   const KeepGoing& nothingWaits = {});
    const CReadAhead& ReadAheadCopies() const { return m_readAhead; }
    CReadAhead& ReadAheadCopies() { return m_readAhead; }
    // The read-ahead's threads, and the pictures on their way from them now.
    const CAheadWorkers& Workers() const { return m_workers; }
    size_t PicturesOnTheirWay() const { return m_jobs.size(); }
    // How many pictures the workers have decoded at once at most.
    unsigned MostReadAtOnce() const { return m_workers.MostAtOnce(); }
    // Takes over what the workers have read (as their message to the pane does).
    void TakeWorkersPictures();
    // Waits until the workers have ended every job and takes their pictures over (tests and
    // benchmarks, which look at the copies right after the idle work).
    void SettleReadAhead();
    // How long a picture stays on screen before its device bitmap is made in idle time:
    // making it cannot be broken off by a key.
    static constexpr DWORD kSettleMs = 100;

    FW_DECLARE_MESSAGE_MAP()

private:
    // What the pane shows: the selected picture, a directory's preview, or nothing.
    struct Shown {
        enum Kind { kNothing, kPicture, kPreview };
        Kind kind = kNothing;
        std::wstring path;     // the file decoded (a preview's: the picture inside the directory)
        std::wstring dir;      // a preview's directory
        Decoder decoder;
        std::optional<FileStamp> stamp;  // the file's stamp when it was read
        CPicture picture;
        CFittedCopy fitted;    // the picture scaled to where it is drawn fitted
        SIZE size{};           // the picture's, also while only `fitted` is held
        std::optional<DecodeFailure> failure;
        bool pending = false;  // its decode was given up: it waits for idle time
        bool painted = false;  // some of the picture has been drawn on the screen
        bool fromReadAhead = false;
        DWORD shownAt = 0;     // tick count
        SIZE copyRefusedAt{};       // the size a copy scaled to the pane could not be made at
    };

    void OnPaint();
    void PaintOn(HDC dc);
    void OnSize(UINT type, int cx, int cy);
    fw::Handled OnTimer(UINT_PTR id);
    BOOL OnEraseBackground() { return TRUE; }
    // Mouse panning: dragging with the left button moves the picture with the mouse.
    void OnLButtonDown(UINT flags, POINT point);
    void OnLButtonUp(UINT flags, POINT point);
    void OnMouseMove(UINT flags, POINT point);
    // Up and Down page through a picture taller than the pane; the key goes on to the list
    // on a directory entry and when the picture cannot move that way.
    int OnPageUp() { return PageBy(-1); }
    int OnPageDown() { return PageBy(1); }
    int PageBy(int direction);

    // The pane's own client rectangle.
    RECT Area() const;
    // Repaints the pane now, as far as it changes.
    void Redraw();
    // Where in the pane the picture it shows now is drawn; empty when it shows none.
    RECT PictureArea() const;
    PictureLayout LayoutOf(SIZE pictureSize);
    // The size of what the pane shows now, in full or by its copy scaled to the pane only.
    SIZE HeldSize() const;
    // Whether `fitted` is what a picture of `size` is drawn from in the pane as it is now.
    bool FitsPane(const CFittedCopy& fitted, SIZE size) const;
    // The picture in full, where only its copy scaled to the pane is held and the pane
    // needs more (another size, actual size).
    void DecodeInFull();
    // Draws as DrawPicture does a picture of `size`; false when nothing of it could be
    // drawn (held by its scaled copy only, and that does not fit).
    bool DrawSized(HDC dc, const CPicture& picture, SIZE size, CFittedCopy* fitted);
    // Decodes the shown file; a decode given up leaves the picture pending.
    void Decode(const KeepGoing& keepGoing);
    // Finds the preview's file, the first displayable one inside the directory, and decodes it.
    void DecodePreview(const KeepGoing& keepGoing);
    // What a decode for the entry just selected asks: whether to go on (see the .cpp).
    KeepGoing StepAway() const;
    void TellShownChanged() const {
        if (m_shownChanged) {
            m_shownChanged();
        }
    }
    // Reading ahead on a worker: the job of `path` as `decoder` reads it, not stopped; null
    // when there is none.
    std::shared_ptr<CAheadWorkers::Job> JobFor(const std::wstring& path, Decoder decoder) const;
    // Starts reading `path` ahead on a worker, as CReadAhead::Prepare reads on this thread:
    // kHeld when a copy is held, on its way or was tried already, kNoRoom, or kStopped.
    // `besideWait`: this thread is about to wait for a worker (see CAheadWorkers::Submit).
    CReadAhead::Outcome StartJob(const std::wstring& path, Decoder decoder, const KeepGoing& keepGoing,
                                 bool besideWait = false);
    // The next picture in the direction of travel, started on a free worker as soon as the
    // shown one is held and its key done, not in idle time, which keys typed faster than a
    // decode never leave.
    void StartNextOnWorker(bool besideWait = false);
    void OnStartNext();
    // A worker has ended a job: its picture is taken over and the worker goes on.
    void OnJobEnded();
    // Stops the jobs whose path is not among `paths`.
    void StopJobsExcept(const std::vector<std::wstring>& paths);
    void StopJobs() { StopJobsExcept({}); }
    // Stops every job, waits until none runs and lets them go.
    void DropJobs();
    // The shown picture from its worker: waits for the job while `keepGoing` answers true.
    // True when the shown picture was taken from it, or stays pending on it; false when no
    // job has it (a job waiting behind others is taken back: the picture is decoded here).
    bool TakeShownFromJob(const KeepGoing& keepGoing);
    void ForgetJob(const std::shared_ptr<CAheadWorkers::Job>& job);
    // Waits until every job has ended, while `keepGoing` answers true; false when it gave up.
    bool WaitForJobs(const KeepGoing& keepGoing);
    bool CopyRefusedAt(int width, int height) const {
        return m_shown.copyRefusedAt.cx == width && m_shown.copyRefusedAt.cy == height;
    }

    const CFolder& m_folder;
    const CSpiPluginList& m_plugins;
    Shown m_shown;
    const CPicture m_none;
    const std::wstring m_noPath;
    std::function<void(const std::wstring& path)> m_drawn;
    std::function<void()> m_shownChanged;
    bool m_bFitToPane = true;
    bool m_bPassing = false;
    int m_nScrollX = 0;
    int m_nScrollY = 0;
    POINT m_ptLastMouse{0, 0};
    CReadAhead m_readAhead;
    CAheadWorkers m_workers;
    std::vector<std::shared_ptr<CAheadWorkers::Job>> m_jobs;
    bool m_bStartNextPosted = false;
    // The pane and the picture's place in it at the last paint: outside that place the
    // pane is black on the screen.
    struct Painted {
        RECT pane;
        RECT picture;
    };
    std::optional<Painted> m_painted;
};
