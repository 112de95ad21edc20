#pragma once
// The picture pane: the part of the main window right of the file list that shows the
// selected entry's picture, fitted to the pane or at actual size with scrolling, or the
// first picture inside a selected directory. It holds the shown picture, or the preview,
// decoded when the entry is selected, and draws it only when the window paints, each
// pixel once; everything else asks for a repaint. In idle
// time it decodes the pictures the user will likely go to next (see CReadAhead), and
// shows such a copy instead of decoding the file again.
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <optional>

#include "filelist/ListEntry.h"
#include "framework/Gdi.h"
#include "framework/MessageMap.h"
#include "framework/Wnd.h"
#include "host/KeyTable.h"
#include "host/ViewerHost.h"
#include "image/DecodeFailure.h"
#include "image/FittedCopy.h"
#include "image/PaneGeometry.h"
#include "image/Picture.h"
#include "image/SpiPluginList.h"
#include "pane/ReadAhead.h"

class CPicturePane {
public:
    // `leftColumn` is the window's file list: the pane starts where it ends.
    CPicturePane(IViewerHost& host, const CSpiPluginList& plugins, const fw::CWnd& leftColumn);
    CPicturePane(const CPicturePane&) = delete;
    CPicturePane& operator=(const CPicturePane&) = delete;

    // Releases the picture shown so far, decodes the entry's picture (for a directory the
    // first displayable picture inside it, its preview; null shows nothing), starts at
    // the top left and puts the pane on screen at once. `inPassing`: the picture is only
    // gone by, as a size-judged pass goes by every picture it judges; fitted, it is then
    // stretched straight from the picture, with no copy scaled to the pane made for it.
    void ShowEntry(const ListEntry* entry, bool inPassing = false);
    // Draws the pane on the window's paint device context: the picture, black around it.
    void Paint(HDC dc);
    // Moves the actual-size view by dx, dy picture pixels; true when nothing moved.
    bool Scroll(int dx, int dy);
    // Idle-time work, before everything else: the picture whose decode was abandoned because
    // the selection moved on is decoded, unless the next step abandons it again (false then:
    // it is to be asked again).
    bool ShowPending();
    // Whether a picture waits to be decoded because its decode was abandoned.
    bool IsPending() const { return m_bPending; }
    // Before a command acts on the shown picture: a pending one is decoded and the pane is
    // painted now. False when `repeat` (the command's key is held down) and the picture has
    // still not been on screen: a repeat acts only on a picture the user has seen.
    bool MakeShownSeen(bool repeat);
    // Switches between fitted and actual size and shows the result.
    void ToggleFit();
    bool IsFitToPane() const { return m_bFitToPane; }
    void SetFitToPane(bool fit) { m_bFitToPane = fit; }
    int GetScrollX() const { return m_nScrollX; }
    int GetScrollY() const { return m_nScrollY; }
    // The pane: the window's client area right of the file list.
    RECT GetPaneRect() const;
    // Draws a picture laid out in the pane on `dc` (client coordinates), and the rest of
    // the pane black. Fitted, it is drawn from `fitted` when one is given and of the size
    // the picture is shown at; otherwise stretched, and the copy is asked of the idle work.
    void DrawPicture(HDC dc, const CPicture& picture, CFittedCopy* fitted = nullptr);
    // Idle-time work: makes the copy scaled to the pane of the picture on screen when it is
    // fitted and has none of the size it is shown at, and draws the pane from it. The
    // scaling stops once `keepGoing` answers false; false then: it is to be asked again.
    bool FitShown(const std::function<bool()>& keepGoing = {});
    // How long a picture stays on screen before its device bitmap is made in idle time:
    // making it cannot be broken off by a key.
    static constexpr DWORD kSettleMs = 100;
    // Idle-time work, after the read-ahead: the picture on screen, shown before the device
    // bitmap it is drawn through was made, gets it once it has stayed on screen kSettleMs.
    // The bitmap only makes drawing it stretched again cheap (a window being resized); made
    // as the file is read, it would keep the picture that much longer off the screen.
    void MakeShownBitmap();
    // The size a picture is shown at when fitted into the pane as it is now.
    SIZE FittedSizeOf(const CPicture& picture) const;
    // The shown picture scaled to the pane; empty until the idle work (or the read-ahead)
    // has made it.
    const CFittedCopy& ShownFitted() const { return m_shownFitted; }
    // Releases the pictures the pane holds, those read ahead included (before the
    // plug-ins go away).
    void ReleasePictures() {
        Release();
        m_readAhead.Clear();
    }
    // Asked between parts of the decode of an entry's picture; false stops it.
    using KeepReading = std::function<bool(const ListEntry& entry)>;
    // Decodes the pictures of `entries` ahead of time, most wanted first (null entries,
    // directories and the shown picture are passed over), and lets go of every other copy
    // read ahead, and scales them to the pane. Stops as soon as `keepGoing` answers false
    // (it is asked during the scaling too), and stops the scaling of a picture drawn through
    // a device bitmap once `nothingWaits` answers false: the key that waits for it draws
    // it stretched sooner than it would wait for the scaling. False when it stopped: it is
    // to be called again.
    bool ReadAhead(std::initializer_list<const ListEntry*> entries, const KeepReading& keepGoing,
                   const std::function<bool()>& nothingWaits = {});
    // Lets go of every copy read ahead.
    void DropReadAhead() { m_readAhead.Clear(); }
    const CReadAhead& ReadAheadCopies() const { return m_readAhead; }
    // Whether the shown picture came from a copy read ahead.
    bool ShownFromReadAhead() const { return m_bShownFromReadAhead; }
    // The shown entry's picture; empty for a directory, nothing, or after a failed decode.
    const CPicture& ShownPicture() const { return m_shownPicture; }
    // The selected directory's preview; empty when none is selected or it shows nothing.
    const CPicture& PreviewPicture() const { return m_preview; }
    // Whether the picture of the shown entry is held (it may be gone after a failed load).
    bool HoldsPicture() const { return !m_shownPicture.IsEmpty(); }
    // What decoded the shown picture; none for a directory or nothing.
    Decoder ShownDecoder() const { return m_shown; }
    // The full path of the picture file shown; empty for a directory or nothing.
    const std::wstring& ShownPath() const { return m_shownPath; }
    // The size of the shown picture as decoded; 0 x 0 when none is held.
    SIZE ShownPictureSize() const;
    // Why the shown file's picture could not be decoded; none when it was (or for a
    // directory or nothing).
    std::optional<DecodeFailure> ShownFailure() const { return m_shownFailure; }
    // The size the shown file's header names, read now without decoding the file; none
    // when it cannot be read, or for a directory or nothing.
    std::optional<PictureSize> ShownHeaderSize() const;

    FW_DECLARE_PART_MESSAGE_MAP()

private:
    // Mouse panning: dragging with the left button moves the picture with the mouse.
    void OnLButtonDown(UINT flags, POINT point);
    void OnLButtonUp(UINT flags, POINT point);
    void OnMouseMove(UINT flags, POINT point);
    // Up and Down page through a picture taller than the pane; the key goes on to the list
    // on a directory entry and when the picture cannot move that way.
    int OnPageUp();
    int OnPageDown();
    int PageBy(int direction);

    // Repaints the pane now, as far as it changes.
    void Redraw() const;
    // Where in the pane the picture it shows now is drawn (client coordinates); empty when
    // it shows none.
    RECT PictureArea() const;
    // Releases what the pane holds (the shown picture and a preview's).
    void Release();
    // Hands the shown picture to the read-ahead copies, to be released in idle time.
    void RetireShown();
    // Holds the picture of m_shownPath: the copy read ahead when there is one, else as
    // m_shown decodes the file.
    void HoldShown(std::optional<CReadAhead::Copy> copy);
    // Decodes the shown entry's file; an abandoned decode leaves the picture pending.
    void DecodeShown(const KeepGoing& keepGoing);
    // Decodes the first displayable file inside the previewed directory, if any.
    void HoldPreview(const KeepGoing& keepGoing);
    // What a decode for the entry just selected asks: whether to go on (see the .cpp).
    KeepGoing StepAway() const;
    PictureLayout LayoutOf(const CPicture& picture);

    IViewerHost& m_host;
    const CSpiPluginList& m_plugins;
    const fw::CWnd& m_leftColumn;
    Decoder m_shown;           // what decodes the shown entry; none for a directory or nothing
    std::wstring m_shownPath;  // the file it was decoded from
    CPicture m_shownPicture;
    CFittedCopy m_shownFitted;  // the shown picture scaled to where it is drawn fitted
    std::optional<FileStamp> m_shownStamp;  // that file's stamp when it was decoded
    std::optional<DecodeFailure> m_shownFailure;  // why it could not be decoded
    std::wstring m_previewDir;  // the selected directory's path, when one is selected
    CPicture m_preview;         // its first displayable picture
    CFittedCopy m_previewFitted;
    bool m_bFitToPane = true;
    bool m_bInPassing = false;  // the shown entry is only gone by: no copy scaled for it
    bool m_bPending = false;       // its decode was abandoned: it waits for idle time
    bool m_bShownPainted = false;  // the shown entry's picture has been painted
    SIZE m_noCopyAt{};          // the size a copy of the shown picture could not be made at
    DWORD m_shownAt = 0;        // when the shown entry was shown (tick count)
    bool CopyRefusedAt(int width, int height) const { return m_noCopyAt.cx == width && m_noCopyAt.cy == height; }
    int m_nScrollX = 0;
    int m_nScrollY = 0;
    POINT m_ptLastMouse{0, 0};
    CReadAhead m_readAhead;
    bool m_bShownFromReadAhead = false;
    // The pane and the picture's place in it at the last paint: outside that place the
    // pane is black on the screen.
    struct Painted {
        RECT pane;
        RECT picture;
    };
    std::optional<Painted> m_painted;
};
