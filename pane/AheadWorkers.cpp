#include "pane/AheadWorkers.h"

#include <objbase.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "image/Decode.h"
#include "image/DecodeThread.h"
#include "image/SpiPlugin.h"

namespace {

// How long the window waits for its workers when it goes: a decode that does not stop
// at its next progress report is left to end on its own.
constexpr auto kLastWait = std::chrono::seconds(5);

// Where a picture of `size` lies in `pane` when fitted.
PaneRect FittedIn(const PaneRect& pane, SIZE size) {
    int scrollX = 0;
    int scrollY = 0;
    return LayoutPicture(true, size.cx, size.cy, pane, scrollX, scrollY).destination;
}

}  // namespace

// What the workers share with the window's thread; each worker holds it, so a worker
// left behind at the end never outlives it.
struct CAheadWorkers::State {
    std::mutex mutex;
    std::condition_variable wake;     // a job came, or the end
    std::condition_variable changed;  // a job ended, or a worker went
    std::deque<std::shared_ptr<Job>> queue;
    std::vector<std::shared_ptr<Job>> running;
    unsigned threads = 0;
    unsigned idle = 0;
    unsigned mostAtOnce = 0;
    bool quit = false;
    HWND window = nullptr;
    UINT message = 0;

    void Work();
    static void Run(Job& job);
    // A picture whose decoder hands its rows over a band at a time is scaled to the pane as
    // it is decoded, and never held whole. False when it is not one: it is decoded whole.
    static bool RunInBands(Job& job, const KeepGoing& keepGoing);
};

void CAheadWorkers::State::Run(Job& job) {
    const KeepGoing keepGoing = [&job] { return !job.stop.load(); };
    job.stamp = FileStamp::Of(job.path);
    if (!job.stamp) {
        ::SetEvent(job.settled.Get());
        job.decoded = DecodeOutcome::Failed(DecodeFailure::kReadError);
        return;
    }
    if (RunInBands(job, keepGoing)) {
        return;
    }
    // Whole, as long as the window still counts the room for that.
    Job::Reading reading = job.reading.load();
    while ((reading == Job::Reading::kAsked || reading == Job::Reading::kInBands) &&
           !job.reading.compare_exchange_weak(reading, Job::Reading::kWhole)) {
    }
    ::SetEvent(job.settled.Get());
    if (reading == Job::Reading::kBandsOnly) {
        job.refused = true;
        job.decoded = DecodeOutcome::Failed(DecodeFailure::kTooLarge);
        return;
    }
    // The BMP reader asks the screen's depth; each thread has a device context of its own.
    const HDC screen = ::GetDC(nullptr);
    job.decoded = DecodePicture(job.path, job.decoder, screen, keepGoing, DeviceBitmap::kLater);
    ::ReleaseDC(nullptr, screen);
    // A file that changed while it was read may be torn: it is read again when shown.
    if (!(FileStamp::Of(job.path) == job.stamp)) {
        job.stamp.reset();
        return;
    }
    if (!job.decoded || job.pane.Width() <= 0 || job.pane.Height() <= 0 || job.stop) {
        return;
    }
    const CPicture& picture = job.decoded.picture;
    job.size = SIZE{picture.Width(), picture.Height()};
    const PaneRect to = FittedIn(job.pane, job.size);
    if (std::optional<CFittedCopy> fitted = CFittedCopy::Make(picture, to.Width(), to.Height(), keepGoing)) {
        job.fitted = std::move(*fitted);
    }
}

bool CAheadWorkers::State::RunInBands(Job& job, const KeepGoing& keepGoing) {
    if (job.pane.Width() <= 0 || job.pane.Height() <= 0) {
        return false;
    }
    const std::unique_ptr<CSpiPlugin::Rows> rows = OpenPictureRows(job.path, job.decoder);
    if (rows == nullptr) {
        return false;
    }
    const SIZE size{rows->Width(), rows->Height()};
    const PaneRect to = FittedIn(job.pane, size);
    if (!ResampleRowsFits(size.cx, size.cy, to.Width(), to.Height())) {
        return false;
    }
    Job::Reading asked = Job::Reading::kAsked;
    job.reading.compare_exchange_strong(asked, Job::Reading::kInBands);
    ::SetEvent(job.settled.Get());
    std::optional<CFittedCopy> fitted = CFittedCopy::Make(size.cx, size.cy, *rows, to.Width(), to.Height(), keepGoing);
    if (!fitted) {
        job.decoded = DecodeOutcome::Failed(DecodeFailure::kStopped);
        return true;
    }
    // A decoder that failed part of the way is asked for the whole picture, which says why.
    if (fitted->IsEmpty()) {
        return false;
    }
    if (!(FileStamp::Of(job.path) == job.stamp)) {
        job.stamp.reset();
    }
    job.decoded = DecodeOutcome{};
    job.fitted = std::move(*fitted);
    job.size = size;
    return true;
}

void CAheadWorkers::State::Work() {
    // The system's codecs are apartment-threaded: made here, in an apartment of this
    // thread's own, they are used here and never marshalled to the window's thread.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    decode_thread::MarkReadAheadWorker();
    std::unique_lock lock(mutex);
    for (;;) {
        ++idle;
        wake.wait(lock, [this] { return quit || !queue.empty(); });
        --idle;
        if (quit) {
            break;
        }
        std::shared_ptr<Job> job = std::move(queue.front());
        queue.pop_front();
        running.push_back(job);
        mostAtOnce = std::max(mostAtOnce, static_cast<unsigned>(running.size()));
        lock.unlock();
        if (job->stop) {
            job->decoded = DecodeOutcome::Failed(DecodeFailure::kStopped);
        } else {
            Run(*job);
        }
        lock.lock();
        std::erase(running, job);
        job->ended = true;
        ::SetEvent(job->done.Get());
        if (window != nullptr) {
            ::PostMessageW(window, message, 0, 0);
        }
        job.reset();  // a job nobody waits for any more goes here
        changed.notify_all();
        // A worker started beside the window's wait goes once the others suffice.
        if (threads > ThreadCount()) {
            break;
        }
    }
    --threads;
    changed.notify_all();
    lock.unlock();
    if (SUCCEEDED(com)) {
        ::CoUninitialize();
    }
}

CAheadWorkers::CAheadWorkers() : m_state(std::make_shared<State>()) {}

CAheadWorkers::~CAheadWorkers() {
    std::unique_lock lock(m_state->mutex);
    m_state->quit = true;
    m_state->window = nullptr;
    m_state->queue.clear();
    for (const std::shared_ptr<Job>& job : m_state->running) {
        job->stop = true;
    }
    m_state->wake.notify_all();
    m_state->changed.wait_for(lock, kLastWait, [this] { return m_state->threads == 0; });
}

void CAheadWorkers::TellEndsTo(HWND window, UINT message) {
    const std::lock_guard lock(m_state->mutex);
    m_state->window = window;
    m_state->message = message;
}

bool CAheadWorkers::Takes(const Decoder& decoder) {
    return decoder.kind == Decoder::Kind::kBmp ||
           (decoder.kind == Decoder::Kind::kPlugin && decoder.plugin != nullptr && decoder.plugin->IsThreadSafe());
}

unsigned CAheadWorkers::ThreadCount() {
    SYSTEM_INFO info{};
    ::GetSystemInfo(&info);
    return std::max(1u, static_cast<unsigned>(info.dwNumberOfProcessors) - 1);
}

bool CAheadWorkers::Submit(std::shared_ptr<Job> job, bool besideWait) {
    const std::lock_guard lock(m_state->mutex);
    if (!job->done.IsValid()) {
        return false;
    }
    m_state->queue.push_back(std::move(job));
    if (m_state->idle == 0 && m_state->threads < ThreadCount() + (besideWait ? 1 : 0)) {
        ++m_state->threads;
        try {
            std::thread([state = m_state] { state->Work(); }).detach();
        } catch (const std::system_error&) {
            // No thread to be had: with no worker at all the job would never run.
            if (--m_state->threads == 0) {
                m_state->queue.pop_back();
                return false;
            }
        }
    }
    m_state->wake.notify_one();
    return true;
}

bool CAheadWorkers::HasFreeWorker(bool besideWait) const {
    const std::lock_guard lock(m_state->mutex);
    const unsigned most = ThreadCount() + (besideWait ? 1 : 0);
    return m_state->queue.size() < m_state->idle + (most - std::min(most, m_state->threads));
}

bool CAheadWorkers::TakeBack(const std::shared_ptr<Job>& job) {
    const std::lock_guard lock(m_state->mutex);
    return std::erase(m_state->queue, job) > 0;
}

bool CAheadWorkers::TakeBackUnlessStarting(const std::shared_ptr<Job>& job) {
    const std::lock_guard lock(m_state->mutex);
    const auto queued = std::find(m_state->queue.begin(), m_state->queue.end(), job);
    if (queued == m_state->queue.end() || queued - m_state->queue.begin() < static_cast<ptrdiff_t>(m_state->idle)) {
        return false;
    }
    m_state->queue.erase(queued);
    return true;
}

void CAheadWorkers::StopAll() {
    std::unique_lock lock(m_state->mutex);
    m_state->queue.clear();
    for (const std::shared_ptr<Job>& job : m_state->running) {
        job->stop = true;
    }
    m_state->changed.wait_for(lock, kLastWait, [this] { return m_state->running.empty(); });
}

bool CAheadWorkers::WaitFor(const Job& job, const KeepGoing& keepGoing) {
    if (job.ended) {
        return true;
    }
    if (job.done.Get() == nullptr || (keepGoing && !keepGoing())) {
        return false;
    }
    return decode_thread::WaitWhileAsking(job.done.Get(), keepGoing);
}

void CAheadWorkers::WaitUntilSettled(const Job& job, DWORD ms) {
    const HANDLE either[] = {job.settled.Get(), job.done.Get()};
    if (either[0] != nullptr && either[1] != nullptr) {
        ::WaitForMultipleObjects(2, either, FALSE, ms);
    }
}

bool CAheadWorkers::CountByBands(Job& job) {
    Job::Reading inBands = Job::Reading::kInBands;
    return job.reading.compare_exchange_strong(inBands, Job::Reading::kBandsOnly);
}

void CAheadWorkers::Sync() const {
    const std::lock_guard lock(m_state->mutex);
}

unsigned CAheadWorkers::MostAtOnce() const {
    const std::lock_guard lock(m_state->mutex);
    return m_state->mostAtOnce;
}
