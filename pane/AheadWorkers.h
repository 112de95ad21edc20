#pragma once
// The read-ahead's own threads. A picture the user will likely go to next is decoded, and
// scaled to the pane, on one of them while the window's thread goes on with the keys; the
// window's thread only takes the finished copy over. There are as many threads as the
// machine has cores less one, at least one; each is a single-threaded apartment of its own
// (the system's codecs are made and used there) without a message loop. They decode with
// the BMP reader and with the plug-ins that are safe to call from several threads at once
// (CSpiPlugin::IsThreadSafe), which they call themselves; a plug-in that says nothing is
// read ahead on the window's thread in idle time, through the decode thread, as before.
#include <windows.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "framework/Handles.h"
#include "image/FittedCopy.h"
#include "image/PaneGeometry.h"
#include "image/Picture.h"
#include "image/SpiPluginList.h"
#include "pane/ReadAhead.h"
#include "portable/KeepGoing.h"

class CAheadWorkers {
public:
    // One picture to read ahead. The window's thread fills the first part and reads the rest
    // once `ended` is true; the worker writes the rest before it sets `ended`.
    struct Job {
        std::wstring path;
        Decoder decoder;
        PaneRect pane{};        // the pane the copy is fitted into; empty: no copy is made
        uint64_t reserved = 0;  // what the window's thread counts for it until it ends
        // How the picture is read. The window's thread counts room for it whole (kAsked),
        // until the worker says the rows come in bands (kInBands) and the window counts
        // room for that only (kBandsOnly); or for the bands only from the start. A job
        // that needs more than its room ends without a picture, `refused`.
        enum class Reading { kAsked, kInBands, kBandsOnly, kWhole };
        std::atomic<Reading> reading{Reading::kAsked};
        uint64_t inBandsBytes = 0;  // what it holds at most when its rows come in bands
        fw::KernelHandle settled{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};  // set once the worker knows how
        bool refused = false;
        std::atomic<bool> stop{false};
        std::atomic<bool> ended{false};
        fw::KernelHandle done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};

        std::optional<FileStamp> stamp;  // the file's, before it was read; none when it changed meanwhile
        DecodeOutcome decoded;  // its picture is empty when the copy was scaled from bands of rows
        CFittedCopy fitted;
        SIZE size{};  // the picture's, once it was read
    };

    CAheadWorkers();
    // Stops every job; waits a while for the threads to end, and leaves a stuck one behind.
    ~CAheadWorkers();
    CAheadWorkers(const CAheadWorkers&) = delete;
    CAheadWorkers& operator=(const CAheadWorkers&) = delete;

    // Where each ended job is told: `message` is posted to `window`.
    void TellEndsTo(HWND window, UINT message);
    // Whether a worker can read pictures of this decoder.
    static bool Takes(const Decoder& decoder);
    // The threads there are at most: the cores less one, at least one.
    static unsigned ThreadCount();
    // Queues the job; a worker takes it as soon as one is free. False when no worker can
    // take it (no event or no thread could be made): the job is not queued. `besideWait`:
    // the window's thread is about to wait for a worker, and leaves its core to one worker
    // more, which ends after its job.
    bool Submit(std::shared_ptr<Job> job, bool besideWait = false);
    // Whether a job submitted now would start at once: a worker is free, or one more may be made.
    bool HasFreeWorker(bool besideWait = false) const;
    // Takes a job back that no worker has started; false when one has.
    bool TakeBack(const std::shared_ptr<Job>& job);
    // The same, unless a worker waiting for work is about to start it.
    bool TakeBackUnlessStarting(const std::shared_ptr<Job>& job);
    // Stops every job and waits until none runs any more (before the plug-ins go away).
    void StopAll();
    // Waits until the job has ended while asking `keepGoing` as the decode thread's callers
    // do (at every key, click or message and every few milliseconds); false when it gave up.
    static bool WaitFor(const Job& job, const KeepGoing& keepGoing);
    // Waits at most `ms` until the job's worker knows whether it reads in bands, or the job ended.
    static void WaitUntilSettled(const Job& job, DWORD ms);
    // Counts the job by its bands only when its worker has said that its rows come in bands:
    // true when it did so now (the window's thread then counts `job.inBandsBytes` for it).
    static bool CountByBands(Job& job);
    // Returns once every worker that has ended a job has also told the window of it (a job
    // is ended, and told, under the workers' lock).
    void Sync() const;
    // How many workers were decoding at once at most (for tests and the benchmarks).
    unsigned MostAtOnce() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};
