// Loading the selected entry's picture and drawing it into the picture pane.
#include "pane/PicturePane.h"

#include <climits>
#include <vector>

#include "framework/DirectoryEnumerator.h"
#include "host/WaitingKeys.h"
#include "image/Decode.h"
#include "portable/PathUtil.h"

namespace {

PaneRect ToPane(const RECT& r) {
    return PaneRect{r.left, r.top, r.right, r.bottom};
}

RECT ToRect(const PaneRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

// Adds without overflowing: a key may page by a whole pane height many times over.
int SaturatingAdd(int a, int b) {
    const long long sum = static_cast<long long>(a) + b;
    return sum > INT_MAX ? INT_MAX : sum < INT_MIN ? INT_MIN : static_cast<int>(sum);
}

}  // namespace

FW_BEGIN_PART_MESSAGE_MAP(CPicturePane)
    FW_ON_MESSAGE(WM_MOUSEMOVE, Mouse, OnMouseMove)
    FW_ON_MESSAGE(WM_LBUTTONDOWN, Mouse, OnLButtonDown)
    FW_ON_MESSAGE(WM_LBUTTONUP, Mouse, OnLButtonUp)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kToggleFit), 0, ToggleFit)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kPageUp), 0, OnPageUp)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kPageDown), 0, OnPageDown)
FW_END_PART_MESSAGE_MAP()

CPicturePane::CPicturePane(IViewerHost& host, const CSpiPluginList& plugins, const fw::CWnd& leftColumn)
    : m_host(host), m_plugins(plugins), m_leftColumn(leftColumn) {}

RECT CPicturePane::GetPaneRect() const {
    const HWND owner = m_host.OwnerWindow();
    RECT pane{};
    RECT window{};
    ::GetClientRect(owner, &pane);
    ::GetWindowRect(owner, &window);
    const RECT list = m_leftColumn.GetWindowRect();
    pane.left += list.right - window.left;
    return pane;
}

void CPicturePane::RetireShown() {
    if (m_shownStamp && HoldsPicture()) {
        m_readAhead.Retire(m_shownPath, m_shown, *m_shownStamp, std::move(m_shownPicture), std::move(m_shownFitted));
    }
    m_shownStamp.reset();
}

void CPicturePane::Release() {
    m_shownStamp.reset();
    m_shownFailure.reset();
    m_shownPicture = CPicture();
    m_shownFitted = CFittedCopy();
    m_preview = CPicture();
    m_previewFitted = CFittedCopy();
    m_shown = {};
    m_shownPath.clear();
    m_previewDir.clear();
}

SIZE CPicturePane::ShownPictureSize() const {
    return SIZE{m_shownPicture.Width(), m_shownPicture.Height()};
}

std::optional<PictureSize> CPicturePane::ShownHeaderSize() const {
    return ReadHeaderSize(m_shownPath, m_shown);
}

void CPicturePane::ShowEntry(const ListEntry* entry, bool inPassing) {
    const HWND owner = m_host.OwnerWindow();
    if (owner == nullptr) {
        return;
    }
    // A copy read ahead is taken before the shown picture is retired: retiring may make
    // room by letting copies go.
    const std::wstring path =
        entry != nullptr && !entry->IsDirectory() ? AddTrailingBackslash(m_host.CurrentDir()) + entry->name : L"";
    std::optional<CReadAhead::Copy> copy =
        path.empty() ? std::nullopt : m_readAhead.Take(path, entry->GetDecoder());
    RetireShown();
    Release();
    m_bShownFromReadAhead = copy.has_value();
    m_bInPassing = inPassing;
    m_bPending = false;
    m_bShownPainted = false;
    m_noCopyAt = {};
    m_shownAt = ::GetTickCount();
    m_nScrollX = 0;
    m_nScrollY = 0;
    if (entry != nullptr && entry->IsDirectory()) {
        m_previewDir = AddTrailingBackslash(AddTrailingBackslash(m_host.CurrentDir()) + entry->name);
        HoldPreview(StepAway());
    } else if (entry != nullptr) {
        m_shown = entry->GetDecoder();
        m_shownPath = path;
        HoldShown(std::move(copy));
    }
    Redraw();
}

void CPicturePane::HoldShown(std::optional<CReadAhead::Copy> copy) {
    if (copy) {
        m_shownStamp = copy->stamp;
        m_shownPicture = std::move(copy->picture);
        m_shownFitted = std::move(copy->fitted);
        return;
    }
    DecodeShown(StepAway());
}

void CPicturePane::DecodeShown(const KeepGoing& keepGoing) {
    // A failed decode leaves nothing held: the pane stays black. The stamp is taken before
    // the file is read: should it change meanwhile, the picture retired later never
    // matches the file again and is not shown from the copy.
    m_shownStamp = FileStamp::Of(m_shownPath);
    fw::CClientDC dc(m_host.OwnerWindow());
    DecodeOutcome decoded = DecodePicture(m_shownPath, m_shown, dc, keepGoing, DeviceBitmap::kLater);
    m_shownPicture = std::move(decoded.picture);
    m_bPending = decoded.failure == DecodeFailure::kAborted;
    m_shownFailure = m_bPending ? std::nullopt : decoded.failure;
}

// Only the first displayable file is tried; the directory is looked at again each time
// its entry is selected (or the list is read again).
void CPicturePane::HoldPreview(const KeepGoing& keepGoing) {
    fw::CDirectoryEnumerator found(m_previewDir + L"*.*");
    fw::DirectoryEntry e;
    while (found.Next(e)) {
        const Decoder decoder = e.isDirectory ? Decoder() : m_plugins.DecoderFor(e.name);
        if (!decoder.IsNone()) {
            fw::CClientDC dc(m_host.OwnerWindow());
            DecodeOutcome decoded = DecodePicture(m_previewDir + e.name, decoder, dc, keepGoing, DeviceBitmap::kLater);
            m_preview = std::move(decoded.picture);
            m_bPending = decoded.failure == DecodeFailure::kAborted;
            return;
        }
    }
}

// The user holding Up or Down goes on past a picture faster than a large one decodes: its
// decode is abandoned as soon as the next step waits, and the picture where the keys stop
// is decoded once they do. Only fitted: at actual size Up and Down page through the picture
// first. A size-judged pass needs every picture it goes by.
KeepGoing CPicturePane::StepAway() const {
    if (!m_bFitToPane || m_bInPassing) {
        return KeepGoing();
    }
    return [] { return !ListStepWaits(); };
}

bool CPicturePane::ShowPending() {
    if (!m_bPending || m_host.OwnerWindow() == nullptr) {
        return true;
    }
    // Another step of the keys abandons it again; a command waits for it.
    const KeepGoing keepGoing = [] { return !ListStepWaits(); };
    if (m_previewDir.empty()) {
        DecodeShown(keepGoing);
    } else {
        HoldPreview(keepGoing);
    }
    if (m_bPending) {
        return false;
    }
    Redraw();
    return true;
}

bool CPicturePane::MakeShownSeen(bool repeat) {
    if (m_bPending && m_previewDir.empty()) {
        DecodeShown(KeepGoing());
    }
    if (!m_bShownPainted) {
        Redraw();
    }
    return m_bShownPainted || !repeat || !m_previewDir.empty() || m_shown.IsNone();
}

bool CPicturePane::ReadAhead(std::initializer_list<const ListEntry*> entries, const KeepReading& keepGoing,
                             const std::function<bool()>& nothingWaits) {
    const HWND owner = m_host.OwnerWindow();
    if (owner == nullptr) {
        return true;
    }
    const std::wstring dir = AddTrailingBackslash(m_host.CurrentDir());
    std::vector<const ListEntry*> wanted;
    std::vector<std::wstring> paths;
    for (const ListEntry* entry : entries) {
        if (entry != nullptr && !entry->IsDirectory() && dir + entry->name != m_shownPath) {
            wanted.push_back(entry);
            paths.push_back(dir + entry->name);
        }
    }
    m_readAhead.KeepOnly(paths);
    fw::CClientDC dc(owner);
    for (size_t i = 0; i < wanted.size(); ++i) {
        const ListEntry& entry = *wanted[i];
        const std::wstring& path = paths[i];
        const CReadAhead::KeepGoing going = [&] { return keepGoing(entry); };
        CReadAhead::Outcome outcome = m_readAhead.Prepare(path, entry.GetDecoder(), dc, going);
        if (outcome == CReadAhead::Outcome::kNoRoom && i + 1 < paths.size()) {
            // The less wanted copies make room for this one.
            m_readAhead.KeepOnly(std::vector<std::wstring>(paths.begin(), paths.begin() + static_cast<ptrdiff_t>(i)));
            outcome = m_readAhead.Prepare(path, entry.GetDecoder(), dc, going);
        }
        if (outcome == CReadAhead::Outcome::kStopped) {
            return false;
        }
        // The copy scaled to the pane, so that the key that goes there costs one blit.
        if (outcome == CReadAhead::Outcome::kHeld && m_bFitToPane) {
            // A key on its way to this picture waits for the scaling only when stretching the
            // picture would take it longer.
            const bool stretchesCheaply = nothingWaits && m_readAhead.HoldsWithDeviceBitmap(path);
            bool stopped = false;
            m_readAhead.Fit(path, [this](const CPicture& picture) { return FittedSizeOf(picture); },
                            stretchesCheaply ? nothingWaits : going, &stopped);
            if (stopped) {
                return false;
            }
        }
    }
    return true;
}

// Only the pixels that change are painted again: those of the picture drawn last and of
// the one drawn now. Around both the pane is black already, unless the pane has changed
// since; whatever else the window lacks, it has asked to have painted itself.
void CPicturePane::Redraw() const {
    const HWND owner = m_host.OwnerWindow();
    if (owner == nullptr) {
        return;
    }
    const RECT pane = GetPaneRect();
    RECT changed = pane;
    if (m_painted && ::EqualRect(&m_painted->pane, &pane)) {
        const RECT now = PictureArea();
        ::UnionRect(&changed, &m_painted->picture, &now);
        ::IntersectRect(&changed, &changed, &pane);
    }
    ::InvalidateRect(owner, &changed, FALSE);
    ::UpdateWindow(owner);
}

RECT CPicturePane::PictureArea() const {
    const CPicture& picture = m_previewDir.empty() ? m_shownPicture : m_preview;
    if (picture.IsEmpty()) {
        return RECT{};
    }
    const RECT pane = GetPaneRect();
    int scrollX = m_nScrollX;
    int scrollY = m_nScrollY;
    RECT area =
        ToRect(LayoutPicture(m_bFitToPane, picture.Width(), picture.Height(), ToPane(pane), scrollX, scrollY).destination);
    ::IntersectRect(&area, &area, &pane);
    return area;
}

// The one place the pane is drawn. It goes straight onto the window: DrawPicture draws
// every pixel of the pane once, so nothing flickers, and a large picture costs no copy
// through a second bitmap. Nothing is decoded here.
void CPicturePane::Paint(HDC dc) {
    if (m_previewDir.empty()) {
        DrawPicture(dc, m_shownPicture, m_bInPassing ? nullptr : &m_shownFitted);
        // Seen once some of it has been drawn on the screen.
        RECT clip{};
        RECT seen{};
        const RECT area = PictureArea();
        if (::GetClipBox(dc, &clip) != ERROR && ::IntersectRect(&seen, &clip, &area)) {
            m_bShownPainted = true;
        }
    } else {
        DrawPicture(dc, m_preview, m_bInPassing ? nullptr : &m_previewFitted);
    }
    m_painted = Painted{GetPaneRect(), PictureArea()};
}

bool CPicturePane::FitShown(const std::function<bool()>& keepGoing) {
    const bool preview = !m_previewDir.empty();
    const CPicture& picture = preview ? m_preview : m_shownPicture;
    CFittedCopy& fitted = preview ? m_previewFitted : m_shownFitted;
    if (!m_bFitToPane || m_bInPassing || picture.IsEmpty() || m_host.OwnerWindow() == nullptr) {
        return true;
    }
    const SIZE size = FittedSizeOf(picture);
    if (fitted.Fits(size.cx, size.cy) || CopyRefusedAt(size.cx, size.cy)) {
        return true;
    }
    // Keys held down go by faster than a large picture is scaled: a key that comes
    // meanwhile stops the scaling, and the copy is made once keys pause.
    bool stopped = false;
    fitted = CFittedCopy::Make(picture, size.cx, size.cy, keepGoing, &stopped);
    if (stopped) {
        return false;
    }
    if (fitted.IsEmpty()) {
        m_noCopyAt = size;  // not asked again at this size: the picture stays stretched
        return true;
    }
    Redraw();
    return true;
}

void CPicturePane::MakeShownBitmap() {
    CPicture& picture = m_previewDir.empty() ? m_shownPicture : m_preview;
    if (m_bInPassing || !picture.LacksDeviceBitmap() || m_host.OwnerWindow() == nullptr) {
        return;
    }
    // Making it cannot be broken off by a key: not for the pictures keys go by.
    if (::GetTickCount() - m_shownAt < kSettleMs) {
        m_host.ScheduleIdleWork();
        return;
    }
    fw::CClientDC dc(m_host.OwnerWindow());
    picture.MakeDeviceBitmap(dc);  // refused, it stays drawn from its rows
}

SIZE CPicturePane::FittedSizeOf(const CPicture& picture) const {
    int scrollX = 0;
    int scrollY = 0;
    const PaneRect d =
        LayoutPicture(true, picture.Width(), picture.Height(), ToPane(GetPaneRect()), scrollX, scrollY).destination;
    return SIZE{d.Width(), d.Height()};
}

PictureLayout CPicturePane::LayoutOf(const CPicture& picture) {
    return LayoutPicture(m_bFitToPane, picture.Width(), picture.Height(), ToPane(GetPaneRect()), m_nScrollX, m_nScrollY);
}

void CPicturePane::DrawPicture(HDC dc, const CPicture& picture, CFittedCopy* fitted) {
    if (m_host.OwnerWindow() == nullptr) {
        return;
    }
    const RECT pane = GetPaneRect();
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, pane.left, pane.top, pane.right, pane.bottom);
    std::optional<PictureLayout> layout;
    if (!picture.IsEmpty()) {
        layout = LayoutOf(picture);
    }
    // Black where the picture does not go, then the picture: no pixel is drawn twice.
    const int outside = ::SaveDC(dc);
    if (layout) {
        const PaneRect& d = layout->destination;
        ::ExcludeClipRect(dc, d.left, d.top, d.right, d.bottom);
    }
    ::SetBkColor(dc, RGB(0, 0, 0));
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &pane, nullptr, 0, nullptr);
    ::RestoreDC(dc, outside);
    if (layout) {
        // Fitted, the pane's pixels come from the copy scaled once to this size; at actual
        // size, or until the copy is made in idle time (a key does not wait for it; a
        // window being resized is stretched meanwhile), from the picture itself.
        const PaneRect& d = layout->destination;
        const bool fits = fitted != nullptr && m_bFitToPane && fitted->Fits(d.Width(), d.Height());
        if (fitted != nullptr && m_bFitToPane && !fits && !CopyRefusedAt(d.Width(), d.Height())) {
            m_host.ScheduleIdleWork();
        }
        if (!fits || !fitted->Draw(dc, d.left, d.top)) {
            picture.Draw(dc, ToRect(layout->source), ToRect(d));
        }
    }
    ::RestoreDC(dc, saved);
}

bool CPicturePane::Scroll(int dx, int dy) {
    const int oldX = m_nScrollX;
    const int oldY = m_nScrollY;
    m_nScrollX = SaturatingAdd(m_nScrollX, dx);
    m_nScrollY = SaturatingAdd(m_nScrollY, dy);
    if (m_shown.IsNone() || m_host.OwnerWindow() == nullptr) {
        return m_nScrollX == oldX && m_nScrollY == oldY;
    }
    // Clamped first: when nothing moved the pane shows this view already, and drawing a
    // large picture again would only cost the key its speed.
    LayoutOf(m_shownPicture);
    if (m_nScrollX == oldX && m_nScrollY == oldY) {
        return true;
    }
    Redraw();
    return false;
}

void CPicturePane::ToggleFit() {
    m_bFitToPane = !m_bFitToPane;
    Redraw();
}

int CPicturePane::PageBy(int direction) {
    const ListEntry* selected = m_host.SelectedEntry();
    if (selected != nullptr && selected->IsDirectory()) {
        return kPassKeyOn;
    }
    RECT client{};
    ::GetClientRect(m_host.OwnerWindow(), &client);
    const int height = client.bottom - client.top;
    return Scroll(0, direction * height) ? kPassKeyOn : 0;
}

int CPicturePane::OnPageUp() {
    return PageBy(-1);
}

int CPicturePane::OnPageDown() {
    return PageBy(1);
}

void CPicturePane::OnLButtonDown(UINT, POINT) {
    ::SetCapture(m_host.OwnerWindow());
}

void CPicturePane::OnLButtonUp(UINT, POINT) {
    ::ReleaseCapture();
}

// Dragging with the left button pans a picture shown at actual size: it follows the mouse.
void CPicturePane::OnMouseMove(UINT flags, POINT point) {
    if (flags & MK_LBUTTON) {
        Scroll(m_ptLastMouse.x - point.x, m_ptLastMouse.y - point.y);
    }
    m_ptLastMouse = point;
}
