#pragma once
// The thread the plug-ins are called on. A plug-in's decode cannot always be stopped when
// a key arrives: one decoder may do most of its work inside a single call that reports no
// progress (a large JPEG through the system's codecs). The window's thread therefore hands
// every plug-in call to this one thread, one call at a time, and waits for it while asking
// its own question: when that answers false (a key the user is holding goes on past the
// picture), it stops waiting at once. The call is asked to stop (the plug-in hears it at
// its next progress report), runs out on this thread, and what it gives is dropped.
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

#include "image/Picture.h"

namespace decode_thread {

// Raised when the caller stopped waiting for a call: the call ends as soon as it can.
using StopFlag = std::atomic<bool>;
using Call = std::function<void(const StopFlag& stop)>;

// Runs `call` on the decode thread after the calls before it, and waits until it has run.
// While it waits, `keepGoing` is asked on this thread whenever keys, clicks, posted or
// sent messages arrive, and at least every few milliseconds (and once before the call is
// handed over); when it answers false the call is abandoned. True when the call ran to its
// end, false when it was abandoned. `call` must own what it uses: once abandoned, it runs
// on after this function has returned.
bool Run(Call call, const KeepGoing& keepGoing);

// The same for a call with a result; none when it was abandoned.
template <class Result>
std::optional<Result> RunFor(std::function<Result(const StopFlag& stop)> call, const KeepGoing& keepGoing) {
    auto result = std::make_shared<std::optional<Result>>();
    const bool ran = Run([call = std::move(call), result](const StopFlag& stop) { *result = call(stop); }, keepGoing);
    if (!ran) {
        return std::nullopt;
    }
    return std::move(*result);
}

// Waits until `done` is set, asking `keepGoing` as Run does while it waits; false when it
// answered false (or the wait failed). Without a question it waits for good.
bool WaitWhileAsking(HANDLE done, const KeepGoing& keepGoing);

// Waits until every call handed over has ended, abandoned ones included, and every call a
// read-ahead worker makes itself (see OutsideCall): before a plug-in library is released.
void WaitUntilIdle();

// A thread that says so once is a read-ahead worker: it calls the plug-ins that are safe
// to call from several threads at once itself, beside the decode thread and the other
// workers, and it reads files without keeping others from renaming or deleting them.
void MarkReadAheadWorker();
bool IsReadAheadWorker();

// Counts a plug-in call made on such a thread while it runs, so that WaitUntilIdle waits
// for it.
class OutsideCall {
public:
    OutsideCall();
    ~OutsideCall();
    OutsideCall(const OutsideCall&) = delete;
    OutsideCall& operator=(const OutsideCall&) = delete;
};

// Whether the calling thread is the decode thread.
bool IsCurrent();

// Whether the decode thread runs a call or has calls waiting (an abandoned call runs out
// there, holding what it decodes).
bool IsBusy();

}  // namespace decode_thread
