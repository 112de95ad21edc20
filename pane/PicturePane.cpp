// The picture pane: showing the selected entry, painting, panning, and the idle work.
#include "pane/PicturePane.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "filelist/EntryPath.h"
#include "framework/DirectoryEnumerator.h"
#include "framework/Gdi.h"
#include "framework/Keyboard.h"
#include "host/WaitingKeys.h"
#include "image/Decode.h"
#include "image/DecodeThread.h"
#include "portable/PathUtil.h"

namespace {

constexpr UINT_PTR kIdleTimer = 1;
// How long the window waits for a worker to say how it reads the shown picture.
constexpr DWORD kSettleMs = 50;
// A read-ahead worker has ended a job.
constexpr UINT kJobEndedMessage = WM_APP + 0x21;
// The next picture is to be started on a worker.
constexpr UINT kStartNextMessage = WM_APP + 0x22;
// While the user holds Up or Down the selection goes on past every picture: nothing is
// read ahead for it until the key is let go (then the read-ahead starts from where it
// stopped). The idle work looks again this often meanwhile.
constexpr UINT kHeldKeyRecheckMs = 50;

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

// Keys, clicks, posted work or another thread's message are waiting: the idle work gives
// way to them.
bool WorkIsWaiting() {
    return HIWORD(::GetQueueStatus(QS_KEY | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_SENDMESSAGE)) != 0;
}

bool ListKeyHeld() {
    return fw::IsKeyDown(VK_UP) || fw::IsKeyDown(VK_DOWN);
}

}  // namespace

FW_BEGIN_MESSAGE_MAP(CPicturePane, fw::CChildWnd)
    FW_ON_MESSAGE(WM_PAINT, Void, OnPaint)
    FW_ON_MESSAGE(WM_ERASEBKGND, Void, OnEraseBackground)
    FW_ON_MESSAGE(WM_SIZE, Size, OnSize)
    FW_ON_MESSAGE(WM_TIMER, Timer, OnTimer)
    FW_ON_MESSAGE(kJobEndedMessage, Void, OnJobEnded)
    FW_ON_MESSAGE(kStartNextMessage, Void, OnStartNext)
    FW_ON_MESSAGE(WM_MOUSEMOVE, Mouse, OnMouseMove)
    FW_ON_MESSAGE(WM_LBUTTONDOWN, Mouse, OnLButtonDown)
    FW_ON_MESSAGE(WM_LBUTTONUP, Mouse, OnLButtonUp)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kToggleFit), 0, ToggleFit)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kPageUp), 0, OnPageUp)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kPageDown), 0, OnPageDown)
FW_END_MESSAGE_MAP()

CPicturePane::CPicturePane(const CFolder& folder, const CSpiPluginList& plugins)
    : m_folder(folder), m_plugins(plugins) {}

RECT CPicturePane::Area() const {
    return GetClientRect();
}

RECT CPicturePane::GetPaneRect() const {
    RECT rect = Area();
    ::MapWindowPoints(m_hWnd, ::GetParent(m_hWnd), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::optional<FileStamp> CPicturePane::ShownStamp() const {
    return m_shown.kind == Shown::kPicture ? m_shown.stamp : std::nullopt;
}

SIZE CPicturePane::HeldSize() const {
    if (!m_shown.picture.IsEmpty()) {
        return SIZE{m_shown.picture.Width(), m_shown.picture.Height()};
    }
    return m_shown.fitted.IsEmpty() ? SIZE{} : m_shown.size;
}

bool CPicturePane::FitsPane(const CFittedCopy& fitted, SIZE size) const {
    const SIZE to = FittedSizeOf(size);
    return m_bFitToPane && fitted.Fits(to.cx, to.cy);
}

void CPicturePane::DecodeInFull() {
    if (m_shown.kind == Shown::kPicture && m_shown.picture.IsEmpty() && !m_shown.fitted.IsEmpty() &&
        !m_shown.pending && m_hWnd != nullptr) {
        Decode(KeepGoing());
    }
}

const CPicture& CPicturePane::FullShownPicture() {
    DecodeInFull();
    return ShownPicture();
}

void CPicturePane::SetFitToPane(bool fit) {
    m_bFitToPane = fit;
    if (!fit) {
        DecodeInFull();
    }
}

std::optional<PictureSize> CPicturePane::ShownHeaderSize() const {
    return m_shown.kind == Shown::kPicture ? ReadHeaderSize(m_shown.path, m_shown.decoder) : std::nullopt;
}

void CPicturePane::DropJobs() {
    m_workers.StopAll();
    for (const std::shared_ptr<CAheadWorkers::Job>& job : m_jobs) {
        m_readAhead.Unreserve(job->reserved);
    }
    m_jobs.clear();
}

void CPicturePane::SetPassing(bool passing) {
    m_bPassing = passing;
    if (passing) {
        DropJobs();  // nothing of the workers' runs in a plug-in while a pass may end the window
    }
}

void CPicturePane::ReleasePictures() {
    DropJobs();
    m_shown = Shown();
    m_readAhead.Clear();
}

void CPicturePane::OnListed() {
    m_readAhead.Clear();
    StopJobs();
    ShowSelected();
}

void CPicturePane::OnSelected() {
    ShowSelected();
}

void CPicturePane::OnChanged(int index) {
    const ListEntry* entry = m_folder.At(index);
    if (entry == nullptr || entry->IsDirectory()) {
        return;
    }
    const std::wstring path = m_folder.PathOf(*entry);
    m_readAhead.Drop(path);
    if (const std::shared_ptr<CAheadWorkers::Job> job = JobFor(path, entry->GetDecoder())) {
        job->stop = true;
    }
    if (entry == m_folder.Selected() && m_shown.kind == Shown::kPicture && m_shown.path == path &&
        m_shown.stamp != FileStamp::Of(path)) {
        m_shown = Shown();  // not retired: it no longer matches its file
        ShowSelected();
    }
}

void CPicturePane::ShowSelected() {
    if (m_hWnd == nullptr) {
        return;
    }
    const ListEntry* entry = m_folder.Selected();
    Shown next;
    next.shownAt = ::GetTickCount();
    if (entry != nullptr && !entry->IsDirectory()) {
        next.kind = Shown::kPicture;
        next.path = m_folder.PathOf(*entry);
        next.decoder = entry->GetDecoder();
    } else if (entry != nullptr) {
        next.kind = Shown::kPreview;
        next.dir = m_folder.PathOf(*entry);
    }
    // A copy read ahead is taken before the shown picture is retired: retiring may make
    // room by letting copies go.
    std::optional<CReadAhead::Copy> copy =
        next.kind == Shown::kPicture ? m_readAhead.Take(next.path, next.decoder) : std::nullopt;
    // The picture shown until now is kept as a copy (the user may go back to it) and let go
    // in idle time, not while a key waits.
    if (m_shown.kind == Shown::kPicture && m_shown.stamp && HoldsPicture()) {
        const SIZE size = HeldSize();
        m_readAhead.Retire(m_shown.path, m_shown.decoder, *m_shown.stamp, std::move(m_shown.picture),
                           std::move(m_shown.fitted), size);
    }
    // A copy held by its scaled copy only is of use only where that copy is what is drawn.
    if (copy && copy->picture.IsEmpty() && !FitsPane(copy->fitted, copy->size)) {
        copy.reset();
    }
    m_shown = std::move(next);
    m_nScrollX = 0;
    m_nScrollY = 0;
    // The workers go on only with the pictures beside this one: those of the pictures the
    // keys went past are stopped.
    if (!m_jobs.empty()) {
        const int index = m_folder.SelectedIndex();
        std::vector<std::wstring> beside;
        for (const int at : {index - 1, index, index + 1}) {
            if (const ListEntry* e = m_folder.At(at); e != nullptr && !e->IsDirectory()) {
                beside.push_back(m_folder.PathOf(*e));
            }
        }
        StopJobsExcept(beside);
    }
    if (copy) {
        m_shown.fromReadAhead = true;
        m_shown.stamp = copy->stamp;
        m_shown.picture = std::move(copy->picture);
        m_shown.fitted = std::move(copy->fitted);
        m_shown.size = copy->size;
    } else if (m_shown.kind == Shown::kPicture) {
        if (!TakeShownFromJob(StepAway())) {
            Decode(StepAway());
        }
    } else if (m_shown.kind == Shown::kPreview) {
        DecodePreview(StepAway());
    }
    Redraw();
    TellShownChanged();
    // Once the shown picture is held and on the screen (two decodes of large pictures at
    // once, each with its decoder's buffers, would not stay within the memory the pictures
    // may take), and once the key that showed it is done: posted work comes before the
    // next key, and the key does not wait for the reading of a header.
    if (m_shown.kind == Shown::kPicture && !m_bStartNextPosted && !m_bPassing) {
        m_bStartNextPosted = PostMessage(kStartNextMessage, 0, 0) != FALSE;
    }
    if (!m_bPassing) {
        ScheduleIdleWork();
    }
}

void CPicturePane::ShowPassing(const std::wstring& path, CPicture picture) {
    m_shown = Shown();
    m_shown.kind = Shown::kPicture;
    m_shown.path = path;
    m_shown.picture = std::move(picture);
    m_shown.shownAt = ::GetTickCount();
    m_nScrollX = 0;
    m_nScrollY = 0;
    Redraw();
}

void CPicturePane::Decode(const KeepGoing& keepGoing) {
    // The copies (the picture retired just now among them) make room for the decoding; a
    // step that comes meanwhile gives up the reading of the header as it gives up the decode.
    if (!m_readAhead.MakeRoomToDecode(m_shown.path, m_shown.decoder, keepGoing) && !m_jobs.empty()) {
        // The workers' decodes hold the room: this one does not run beside them. A wait
        // given up is a decode given up.
        const bool ended = WaitForJobs(keepGoing);
        TakeWorkersPictures();
        if (!ended) {
            m_shown.pending = true;
            return;
        }
        m_readAhead.MakeRoomToDecode(m_shown.path, m_shown.decoder, keepGoing);
    }
    // A failed decode leaves nothing held: the pane stays black. The stamp is taken before
    // the file is read: should it change meanwhile, the picture retired later never
    // matches the file again and is not shown from the copy.
    m_shown.stamp = FileStamp::Of(m_shown.path);
    const fw::CClientDC dc(m_hWnd);
    DecodeOutcome decoded = DecodePicture(m_shown.path, m_shown.decoder, dc, keepGoing, DeviceBitmap::kLater);
    m_shown.picture = std::move(decoded.picture);
    m_shown.pending = decoded.failure == DecodeFailure::kStopped;
    m_shown.failure = m_shown.pending ? std::nullopt : decoded.failure;
}

// Only the first displayable file is tried; the directory is looked at again each time
// its entry is selected (or the list is read again).
void CPicturePane::DecodePreview(const KeepGoing& keepGoing) {
    fw::CDirectoryEnumerator found(EntryPath(m_shown.dir, L"*.*"));
    fw::DirectoryEntry e;
    while (found.Next(e)) {
        const Decoder decoder = e.isDirectory ? Decoder() : m_plugins.DecoderFor(e.name);
        if (!decoder.IsNone()) {
            m_shown.path = EntryPath(m_shown.dir, e.name);
            const fw::CClientDC dc(m_hWnd);
            DecodeOutcome decoded = DecodePicture(m_shown.path, decoder, dc, keepGoing, DeviceBitmap::kLater);
            m_shown.picture = std::move(decoded.picture);
            m_shown.pending = decoded.failure == DecodeFailure::kStopped;
            return;
        }
    }
}

// The user holding Up or Down goes on past a picture faster than a large one decodes: its
// decode is given up as soon as the next step waits, and the picture where the keys stop
// is decoded once they do. Only fitted: at actual size Up and Down page through the picture
// first. A size-judged pass needs every picture it goes by.
KeepGoing CPicturePane::StepAway() const {
    if (!m_bFitToPane || m_bPassing) {
        return KeepGoing();
    }
    return [] { return !HeldListStepIsWaiting(); };
}

bool CPicturePane::ShowPending() {
    if (!m_shown.pending || m_hWnd == nullptr) {
        return true;
    }
    // Another step of the keys gives it up again; a command waits for it.
    const KeepGoing keepGoing = [] { return !HeldListStepIsWaiting(); };
    if (m_shown.kind == Shown::kPicture) {
        if (!TakeShownFromJob(keepGoing)) {
            Decode(keepGoing);
        }
    } else {
        DecodePreview(keepGoing);
    }
    if (m_shown.pending) {
        return false;
    }
    Redraw();
    TellShownChanged();
    return true;
}

bool CPicturePane::MakeShownSeen(bool repeat) {
    if (m_shown.kind != Shown::kPicture) {
        return true;
    }
    const bool wasPending = m_shown.pending;
    if (wasPending && !TakeShownFromJob(KeepGoing())) {
        Decode(KeepGoing());
    }
    if (!m_shown.painted) {
        Redraw();
    }
    if (wasPending) {
        TellShownChanged();
    }
    return m_shown.painted || !repeat;
}

// Only the pixels that change are painted again: those of the picture drawn last and of
// the one drawn now. Around both the pane is black already, unless the pane has changed
// since; whatever else the pane lacks, it has asked to have painted itself.
void CPicturePane::Redraw() {
    if (m_hWnd == nullptr) {
        return;
    }
    const RECT pane = Area();
    RECT changed = pane;
    if (m_painted && ::EqualRect(&m_painted->pane, &pane)) {
        const RECT now = PictureArea();
        ::UnionRect(&changed, &m_painted->picture, &now);
        ::IntersectRect(&changed, &changed, &pane);
    }
    // Drawn at once through a window DC: invalidating and then painting costs a round of
    // BeginPaint and EndPaint, under Wine more than the drawing itself, on every key. What
    // else waits to be painted (the pane uncovered, resized) is still painted by its paint
    // message, from the picture shown now. It is not asked for first: that costs a round
    // trip to the system on every key, and is seldom so.
    if (::IsWindowVisible(m_hWnd)) {
        const fw::CClientDC dc(m_hWnd);
        if (dc != nullptr &&
            ::IntersectClipRect(dc, changed.left, changed.top, changed.right, changed.bottom) != ERROR) {
            PaintOn(dc);
            return;
        }
    }
    InvalidateRect(changed, FALSE);
    UpdateWindow();
}

RECT CPicturePane::PictureArea() const {
    const SIZE size = HeldSize();
    if (size.cx <= 0) {
        return RECT{};
    }
    const RECT pane = Area();
    int scrollX = m_nScrollX;
    int scrollY = m_nScrollY;
    RECT area = ToRect(LayoutPicture(m_bFitToPane, size.cx, size.cy, ToPane(pane), scrollX, scrollY).destination);
    ::IntersectRect(&area, &area, &pane);
    return area;
}

void CPicturePane::OnPaint() {
    const fw::CPaintDC dc(m_hWnd);
    PaintOn(dc);
}

// The one place the pane is drawn, on a paint message or at once. It goes straight onto
// the window: DrawPicture draws every pixel of the pane once, so nothing flickers, and a
// large picture costs no copy through a second bitmap. Nothing is decoded here.
void CPicturePane::PaintOn(HDC dc) {
    const bool drawn = DrawSized(dc, m_shown.picture, HeldSize(), m_bPassing ? nullptr : &m_shown.fitted);
    // Seen once some of it has been drawn on the screen.
    const RECT area = drawn ? PictureArea() : RECT{};
    RECT clip{};
    RECT seen{};
    if (::GetClipBox(dc, &clip) != ERROR && ::IntersectRect(&seen, &clip, &area)) {
        m_shown.painted = true;
        if (m_drawn && m_shown.kind == Shown::kPicture) {
            m_drawn(m_shown.path);
        }
    }
    m_painted = Painted{Area(), area};
}

// The copies read ahead and the shown one are scaled to the pane: anew for its new size.
void CPicturePane::OnSize(UINT, int, int) {
    // A picture held by its scaled copy only is scaled anew from the picture in full.
    if (m_shown.picture.IsEmpty() && !FitsPane(m_shown.fitted, m_shown.size)) {
        DecodeInFull();
    }
    Invalidate(FALSE);
    ScheduleIdleWork();
}

bool CPicturePane::ScaleShownToPane(const KeepGoing& keepGoing) {
    const CPicture& picture = m_shown.picture;
    if (!m_bFitToPane || m_bPassing || picture.IsEmpty() || m_hWnd == nullptr) {
        return true;
    }
    const SIZE size = FittedSizeOf(picture);
    if (m_shown.fitted.Fits(size.cx, size.cy) || CopyRefusedAt(size.cx, size.cy)) {
        return true;
    }
    // Keys held down go by faster than a large picture is scaled: a key that comes
    // meanwhile stops the scaling, and the copy is made once keys pause.
    std::optional<CFittedCopy> fitted = CFittedCopy::Make(picture, size.cx, size.cy, keepGoing);
    if (!fitted) {
        return false;
    }
    m_shown.fitted = std::move(*fitted);
    if (m_shown.fitted.IsEmpty()) {
        m_shown.copyRefusedAt = size;  // not asked again at this size: the picture stays stretched
        return true;
    }
    Redraw();
    return true;
}

// The bitmap only makes drawing the picture stretched again cheap (a window being
// resized); made as the file is read, it would keep the picture that much longer off the
// screen.
void CPicturePane::MakeShownBitmap() {
    CPicture& picture = m_shown.picture;
    if (m_bPassing || !picture.LacksDeviceBitmap() || m_hWnd == nullptr) {
        return;
    }
    // Not for the pictures keys go by.
    if (::GetTickCount() - m_shown.shownAt < kSettleMs) {
        ScheduleIdleWork();
        return;
    }
    // It holds the picture once more, at the display's depth, and making it takes about as
    // much again for a while: only while both fit beside the copies read ahead, as a
    // picture read ahead is decoded only in room for it and its decoder.
    if (!m_readAhead.HasRoomFor(2 * CReadAhead::BytesOf(picture.Width(), picture.Height()))) {
        return;
    }
    const fw::CClientDC dc(m_hWnd);
    // Refused, it stays drawn from its rows; broken off by waiting work, it is made later.
    picture.MakeDeviceBitmap(dc, [] { return !WorkIsWaiting(); });
    if (picture.LacksDeviceBitmap()) {
        ScheduleIdleWork();
    }
}

bool CPicturePane::ReadAhead(std::initializer_list<const ListEntry*> entries, const KeepReading& keepGoing,
                             const KeepGoing& nothingWaits) {
    if (m_hWnd == nullptr) {
        return true;
    }
    std::vector<const ListEntry*> wanted;
    std::vector<std::wstring> paths;
    for (const ListEntry* entry : entries) {
        if (entry != nullptr && !entry->IsDirectory() && m_folder.PathOf(*entry) != ShownPath()) {
            wanted.push_back(entry);
            paths.push_back(m_folder.PathOf(*entry));
        }
    }
    m_readAhead.KeepOnly(paths);
    StopJobsExcept(paths);
    const fw::CClientDC dc(m_hWnd);
    for (size_t i = 0; i < wanted.size(); ++i) {
        const ListEntry& entry = *wanted[i];
        const std::wstring& path = paths[i];
        const Decoder decoder = entry.GetDecoder();
        const KeepGoing going = [&] { return keepGoing(entry); };
        // Read on a worker where one can read it, else here.
        const bool onWorker = CAheadWorkers::Takes(decoder);
        const auto prepare = [&] {
            return onWorker ? StartJob(path, decoder, going) : m_readAhead.Prepare(path, decoder, dc, going);
        };
        CReadAhead::Outcome outcome = prepare();
        if (outcome == CReadAhead::Outcome::kNoRoom && i + 1 < paths.size()) {
            // The less wanted copies make room for this one.
            const std::vector<std::wstring> before(paths.begin(), paths.begin() + static_cast<ptrdiff_t>(i));
            m_readAhead.KeepOnly(before);
            StopJobsExcept(before);
            outcome = prepare();
        }
        if (outcome == CReadAhead::Outcome::kStopped) {
            return false;
        }
        if (onWorker && !m_readAhead.Holds(path)) {
            continue;  // on its way
        }
        // The copy scaled to the pane, so that the key that goes there costs one blit.
        if (outcome == CReadAhead::Outcome::kHeld && m_bFitToPane) {
            // A key on its way to this picture waits for the scaling only when stretching the
            // picture would take it longer.
            const bool stretchesCheaply = nothingWaits && m_readAhead.HoldsWithDeviceBitmap(path);
            const auto sizeOf = [this](SIZE pictureSize) { return FittedSizeOf(pictureSize); };
            if (m_readAhead.Fit(path, sizeOf, stretchesCheaply ? nothingWaits : going) ==
                CReadAhead::Outcome::kStopped) {
                return false;
            }
            // Held by its copy scaled to the pane only, of another size, it was let go: it
            // is read again for this size.
            if (onWorker && !m_readAhead.Holds(path) && StartJob(path, decoder, going) == CReadAhead::Outcome::kStopped) {
                return false;
            }
        }
    }
    return true;
}

// The idle work runs on this thread: the BMP reader reads here and makes its bitmap for
// this window's device, and a plug-in decodes on the decode thread while this thread
// waits for it. A key never waits for work it has no use for: the wait (or the BMP
// reader, at its next chunk) gives way once input arrives, unless that input is a key
// going to the very entry being read. A zero-delay timer starts it: timer messages come
// only when nothing else is queued, painting included.
void CPicturePane::ScheduleIdleWork() {
    if (m_hWnd != nullptr) {
        ::SetTimer(m_hWnd, kIdleTimer, USER_TIMER_MINIMUM, nullptr);
    }
}

fw::Handled CPicturePane::OnTimer(UINT_PTR id) {
    if (id != kIdleTimer) {
        return fw::Handled::kNo;
    }
    ::KillTimer(m_hWnd, kIdleTimer);
    RunIdleWork();
    return fw::Handled::kYes;
}

void CPicturePane::RunIdleWork() {
    // A listing or a size-judged pass keeps the window alive while it runs: not in the
    // middle of one.
    if (m_folder.IsListing() || m_bPassing) {
        return;
    }
    if (ListKeyHeld()) {
        ::SetTimer(m_hWnd, kIdleTimer, kHeldKeyRecheckMs, nullptr);
        return;
    }
    // The pane's own message to start the next picture is no work to give way to: it is
    // done here.
    MSG own;
    if (m_bStartNextPosted && ::PeekMessageW(&own, m_hWnd, kStartNextMessage, kStartNextMessage, PM_REMOVE)) {
        OnStartNext();
    }
    const int index = m_folder.SelectedIndex();
    const int direction = m_folder.Direction();
    const ListEntry* ahead = m_folder.At(index + direction);
    const ListEntry* behind = m_folder.At(index - direction);
    // Once the next picture is held, the one after it comes before the one behind, as a
    // worker that ended the next goes on with it: held by its copy scaled to the pane only.
    const ListEntry* beyond = nullptr;
    if (ahead != nullptr && !ahead->IsDirectory() && m_readAhead.Holds(m_folder.PathOf(*ahead))) {
        beyond = m_folder.At(index + 2 * direction);
        if (beyond != nullptr && (beyond->IsDirectory() || !CAheadWorkers::Takes(beyond->GetDecoder()))) {
            beyond = nullptr;
        }
    }
    const auto keepReading = [&](const ListEntry& entry) {
        if (!WorkIsWaiting()) {
            return true;
        }
        const ListEntry* picture = m_folder.Selected();
        const int step = picture != nullptr && !picture->IsDirectory() ? StepOfWaitingKey() : 0;
        return step != 0 && &entry == (step == direction ? ahead : behind);
    };
    // The shown picture first: it is on screen, stretched until its copy is made.
    const auto nothingWaits = [] { return !WorkIsWaiting(); };
    if (WorkIsWaiting() || !ShowPending() || !ScaleShownToPane(nothingWaits) || WorkIsWaiting() ||
        !ReadAhead({ahead, beyond, behind}, keepReading, nothingWaits) || WorkIsWaiting()) {
        ScheduleIdleWork();  // again once the waiting work is done
        return;
    }
    // Last, as it only makes drawing the shown picture stretched again cheap.
    MakeShownBitmap();
}

std::shared_ptr<CAheadWorkers::Job> CPicturePane::JobFor(const std::wstring& path, Decoder decoder) const {
    for (const std::shared_ptr<CAheadWorkers::Job>& job : m_jobs) {
        if (job->path == path && job->decoder == decoder && !job->stop) {
            return job;
        }
    }
    return nullptr;
}

void CPicturePane::StopJobsExcept(const std::vector<std::wstring>& paths) {
    std::vector<std::shared_ptr<CAheadWorkers::Job>> takenBack;
    for (const std::shared_ptr<CAheadWorkers::Job>& job : m_jobs) {
        if (std::find(paths.begin(), paths.end(), job->path) == paths.end()) {
            job->stop = true;
            if (m_workers.TakeBack(job)) {
                takenBack.push_back(job);  // no worker will see it: it holds nothing
            }
        }
    }
    for (const std::shared_ptr<CAheadWorkers::Job>& job : takenBack) {
        ForgetJob(job);
    }
}

void CPicturePane::ForgetJob(const std::shared_ptr<CAheadWorkers::Job>& job) {
    if (std::erase(m_jobs, job) > 0) {
        m_readAhead.Unreserve(job->reserved);
    }
}

CReadAhead::Outcome CPicturePane::StartJob(const std::wstring& path, Decoder decoder, const KeepGoing& keepGoing,
                                           bool besideWait) {
    if (m_readAhead.Knows(path, decoder) || JobFor(path, decoder) != nullptr) {
        return CReadAhead::Outcome::kHeld;
    }
    // Not started for a key that goes elsewhere, as a decode here would stop at once.
    if (keepGoing && !keepGoing()) {
        return CReadAhead::Outcome::kStopped;
    }
    // A call given up on the decode thread runs out there holding what it decodes, counted
    // nowhere: no worker decodes beside it (the idle work asks again).
    if (decode_thread::IsBusy()) {
        return CReadAhead::Outcome::kStopped;
    }
    size_t live = 0;
    for (const std::shared_ptr<CAheadWorkers::Job>& job : m_jobs) {
        live += job->stop ? 0 : 1;
    }
    if (m_readAhead.Count() + live >= CReadAhead::kMaxPictures) {
        return CReadAhead::Outcome::kNoRoom;
    }
    bool stopped = false;
    const KeepGoing watch = [&] {
        stopped = stopped || (keepGoing && !keepGoing());
        return !stopped;
    };
    const uint64_t expected = m_readAhead.ExpectedBytes(path, decoder, watch);
    if (stopped) {
        return CReadAhead::Outcome::kStopped;
    }
    auto job = std::make_shared<CAheadWorkers::Job>();
    job->path = path;
    job->decoder = decoder;
    if (m_bFitToPane) {
        job->pane = ToPane(Area());
    }
    // The decoder's buffers beside the picture, and the copy scaled to the pane; read in
    // bands of rows, the decoder's buffers and a band only. Jobs known to be reading in
    // bands hold no more than that.
    const uint64_t copy = CReadAhead::BytesOf(job->pane.Width(), job->pane.Height());
    job->reserved = 2 * expected + copy;
    job->inBandsBytes = BytesToReadInRows(decoder, expected).value_or(job->reserved - copy) + copy;
    for (const std::shared_ptr<CAheadWorkers::Job>& other : m_jobs) {
        if (CAheadWorkers::CountByBands(*other)) {
            m_readAhead.Unreserve(other->reserved - std::min(other->reserved, other->inBandsBytes));
            other->reserved = std::min(other->reserved, other->inBandsBytes);
        }
    }
    if (!m_readAhead.HasRoomFor(job->reserved)) {
        // In room for its bands only, a picture that does not come in bands is not read.
        job->reading = CAheadWorkers::Job::Reading::kBandsOnly;
        job->reserved = job->inBandsBytes;
        if (job->pane.Width() <= 0 || !m_readAhead.HasRoomFor(job->reserved)) {
            return CReadAhead::Outcome::kNoRoom;
        }
    }
    m_workers.TellEndsTo(m_hWnd, kJobEndedMessage);
    if (!m_workers.Submit(job, besideWait)) {
        return CReadAhead::Outcome::kNoRoom;
    }
    m_readAhead.Reserve(job->reserved);
    m_jobs.push_back(job);
    return CReadAhead::Outcome::kHeld;
}

void CPicturePane::OnStartNext() {
    m_bStartNextPosted = false;
    StartNextOnWorker();
}

void CPicturePane::OnJobEnded() {
    TakeWorkersPictures();
    // The worker goes on with the next picture at once: keys typed faster than a decode
    // would otherwise find it idle between them.
    StartNextOnWorker();
}

void CPicturePane::StartNextOnWorker(bool besideWait) {
    if (m_bPassing || !m_workers.HasFreeWorker(besideWait)) {
        return;
    }
    // The nearest picture ahead that is neither held nor on its way, of the next two: the
    // second is started once the first is held, as a picture read on a worker is held by
    // its copy scaled to the pane only.
    const int index = m_folder.SelectedIndex();
    const int direction = m_folder.Direction();
    std::vector<std::wstring> keep;  // the pictures ahead up to it, then the one behind
    const ListEntry* ahead = nullptr;
    for (int step = 1; step <= 2 && ahead == nullptr; ++step) {
        const ListEntry* entry = m_folder.At(index + step * direction);
        if (entry == nullptr || entry->IsDirectory() || !CAheadWorkers::Takes(entry->GetDecoder())) {
            return;
        }
        keep.push_back(m_folder.PathOf(*entry));
        if (keep.back() == m_shown.path || (step > 1 && !m_readAhead.Holds(keep.front()))) {
            return;
        }
        if (!m_readAhead.Knows(keep.back(), entry->GetDecoder()) && JobFor(keep.back(), entry->GetDecoder()) == nullptr) {
            ahead = entry;
        }
    }
    if (ahead == nullptr) {
        return;
    }
    const std::wstring path = keep.back();
    const size_t needed = keep.size();  // the pictures before it stay
    // Keys held down go on past it: nothing is started for them. Short of room, the copies
    // of pictures not beside the shown one go first, then the one behind it.
    if (const ListEntry* behind = m_folder.At(index - direction); behind != nullptr && !behind->IsDirectory()) {
        keep.push_back(m_folder.PathOf(*behind));
    }
    while (StartJob(path, ahead->GetDecoder(), StepAway(), besideWait) == CReadAhead::Outcome::kNoRoom &&
           keep.size() >= needed) {
        const size_t before = m_readAhead.Count();
        m_readAhead.KeepOnly(keep);
        if (m_readAhead.Count() == before) {
            keep.pop_back();
        }
    }
}

bool CPicturePane::TakeShownFromJob(const KeepGoing& keepGoing) {
    const std::shared_ptr<CAheadWorkers::Job> job = JobFor(m_shown.path, m_shown.decoder);
    if (job == nullptr) {
        return false;
    }
    // Waiting behind other jobs, it is decoded here and now; a worker about to start it
    // makes its copy scaled to the pane too.
    if (m_workers.TakeBackUnlessStarting(job)) {
        ForgetJob(job);
        return false;
    }
    // This thread's core would idle meanwhile: the picture after it starts beside it, in
    // room left once its worker has said within moments whether it reads in bands.
    if (!job->ended) {
        CAheadWorkers::WaitUntilSettled(*job, kSettleMs);
        StartNextOnWorker(true);
    }
    if (!CAheadWorkers::WaitFor(*job, keepGoing)) {
        m_shown.pending = true;
        return true;
    }
    ForgetJob(job);
    if (job->refused || !job->stamp || !(FileStamp::Of(m_shown.path) == job->stamp) ||
        job->decoded.failure == DecodeFailure::kStopped) {
        return false;
    }
    // A copy scaled from bands of rows, for a pane of another size since, is no picture.
    const bool fits = FitsPane(job->fitted, job->size);
    if (job->decoded && !fits && job->decoded.picture.IsEmpty()) {
        return false;
    }
    m_shown.stamp = job->stamp;
    m_shown.failure = job->decoded.failure;
    m_shown.pending = false;
    m_shown.fromReadAhead = true;
    // Held by its copy scaled to the pane only, as a picture read ahead on a worker is.
    m_shown.size = job->size;
    if (fits) {
        m_shown.fitted = std::move(job->fitted);
    } else {
        m_shown.picture = std::move(job->decoded.picture);
    }
    return true;
}

void CPicturePane::TakeWorkersPictures() {
    // The shown picture's own job first: it is on screen once it is taken.
    if (m_shown.kind == Shown::kPicture && m_shown.pending) {
        const std::shared_ptr<CAheadWorkers::Job> job = JobFor(m_shown.path, m_shown.decoder);
        if (job != nullptr && job->ended && TakeShownFromJob(KeepGoing()) && !m_shown.pending) {
            Redraw();
            TellShownChanged();
        }
    }
    std::vector<std::shared_ptr<CAheadWorkers::Job>> ended;
    for (const std::shared_ptr<CAheadWorkers::Job>& job : m_jobs) {
        if (job->ended) {
            ended.push_back(job);
        }
    }
    for (const std::shared_ptr<CAheadWorkers::Job>& job : ended) {
        ForgetJob(job);
        if (!job->stop && job->stamp && job->decoded.failure != DecodeFailure::kStopped) {
            // A decode given up on the decode thread still holds about twice a picture.
            const uint64_t runningOut = decode_thread::IsBusy() ? 2 * job->decoded.picture.HeldBytes() : 0;
            m_readAhead.Adopt(job->path, job->decoder, *job->stamp, std::move(job->decoded), job->size,
                              std::move(job->fitted), runningOut);
        }
    }
    if (!ended.empty() && !m_bPassing) {
        ScheduleIdleWork();
    }
}

bool CPicturePane::WaitForJobs(const KeepGoing& keepGoing) {
    for (const std::vector<std::shared_ptr<CAheadWorkers::Job>> jobs = m_jobs; const auto& job : jobs) {
        if (!CAheadWorkers::WaitFor(*job, keepGoing)) {
            return false;
        }
    }
    return true;
}

void CPicturePane::SettleReadAhead() {
    WaitForJobs(KeepGoing());
    m_workers.Sync();
    // Their messages are answered here, so that no idle work gives way to them.
    MSG message;
    while (m_hWnd != nullptr && ::PeekMessageW(&message, m_hWnd, kJobEndedMessage, kJobEndedMessage, PM_REMOVE)) {
    }
    TakeWorkersPictures();
}

SIZE CPicturePane::FittedSizeOf(SIZE pictureSize) const {
    int scrollX = 0;
    int scrollY = 0;
    const PaneRect d =
        LayoutPicture(true, pictureSize.cx, pictureSize.cy, ToPane(Area()), scrollX, scrollY).destination;
    return SIZE{d.Width(), d.Height()};
}

PictureLayout CPicturePane::LayoutOf(SIZE pictureSize) {
    return LayoutPicture(m_bFitToPane, pictureSize.cx, pictureSize.cy, ToPane(Area()), m_nScrollX, m_nScrollY);
}

void CPicturePane::DrawPicture(HDC dc, const CPicture& picture, CFittedCopy* fitted) {
    DrawSized(dc, picture, SIZE{picture.Width(), picture.Height()}, fitted);
}

bool CPicturePane::DrawSized(HDC dc, const CPicture& picture, SIZE size, CFittedCopy* fitted) {
    if (m_hWnd == nullptr) {
        return false;
    }
    const RECT pane = Area();
    const int saved = ::SaveDC(dc);
    ::IntersectClipRect(dc, pane.left, pane.top, pane.right, pane.bottom);
    std::optional<PictureLayout> layout;
    if (size.cx > 0 && size.cy > 0) {
        layout = LayoutOf(size);
        // Held by its scaled copy only, it is drawn only where that copy fits.
        if (picture.IsEmpty() && (fitted == nullptr || !FitsPane(*fitted, size))) {
            layout.reset();
        }
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
            ScheduleIdleWork();
        }
        if (!fits || !fitted->Draw(dc, d.left, d.top)) {
            picture.Draw(dc, ToRect(layout->source), ToRect(d));
        }
    }
    ::RestoreDC(dc, saved);
    return layout.has_value();
}

bool CPicturePane::Scroll(int dx, int dy) {
    const int oldX = m_nScrollX;
    const int oldY = m_nScrollY;
    m_nScrollX = SaturatingAdd(m_nScrollX, dx);
    m_nScrollY = SaturatingAdd(m_nScrollY, dy);
    if (m_shown.kind != Shown::kPicture || m_hWnd == nullptr) {
        return m_nScrollX == oldX && m_nScrollY == oldY;
    }
    // Clamped first: when nothing moved the pane shows this view already, and drawing a
    // large picture again would only cost the key its speed.
    LayoutOf(HeldSize());
    if (m_nScrollX == oldX && m_nScrollY == oldY) {
        return true;
    }
    Redraw();
    return false;
}

void CPicturePane::ToggleFit() {
    SetFitToPane(!m_bFitToPane);
    Redraw();
}

int CPicturePane::PageBy(int direction) {
    if (m_shown.kind == Shown::kPreview) {
        return kLetListHandleKey;
    }
    const RECT area = Area();
    return Scroll(0, direction * (area.bottom - area.top)) ? kLetListHandleKey : 0;
}

void CPicturePane::OnLButtonDown(UINT, POINT) {
    SetCapture();
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
