#include "image/DecodeThread.h"

#include <objbase.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "framework/Handles.h"

namespace decode_thread {
namespace {

// How often a waiting caller asks its question when no message arrives meanwhile.
constexpr DWORD kAskMs = 5;
// The messages that wake a waiting caller to ask its question at once.
constexpr UINT kWakeOn = QS_KEY | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_SENDMESSAGE;

thread_local bool t_isDecodeThread = false;

struct Job {
    Call call;
    StopFlag stop{false};
    fw::KernelHandle done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

class CWorker {
public:
    static CWorker& Instance() {
        static CWorker worker;
        return worker;
    }

    ~CWorker() {
        {
            std::lock_guard lock(m_mutex);
            m_bQuit = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

    void Submit(std::shared_ptr<Job> job) {
        {
            std::lock_guard lock(m_mutex);
            if (!m_thread.joinable()) {
                m_thread = std::thread([this] { Main(); });
            }
            m_jobs.push_back(std::move(job));
        }
        m_wake.notify_all();
    }

    // A call not started yet is taken back; one that runs is asked to stop.
    void Abandon(const std::shared_ptr<Job>& job) {
        job->stop = true;
        std::lock_guard lock(m_mutex);
        std::erase(m_jobs, job);
    }

    void WaitUntilIdle() {
        std::unique_lock lock(m_mutex);
        m_idle.wait(lock, [this] { return m_jobs.empty() && !m_bRunning && m_nOutside == 0; });
    }

    bool IsBusy() {
        std::lock_guard lock(m_mutex);
        return m_bRunning || !m_jobs.empty();
    }

    void CountOutside(int step) {
        {
            std::lock_guard lock(m_mutex);
            m_nOutside += step;
        }
        m_idle.notify_all();
    }

    // Told by the thread itself: the thread object is written under the lock by Submit.
    static bool IsCurrent() { return t_isDecodeThread; }

private:
    CWorker() = default;

    void Main() {
        t_isDecodeThread = true;
        // Plug-ins that decode through COM find an apartment ready on this thread.
        const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_bQuit || !m_jobs.empty(); });
            if (m_jobs.empty()) {
                break;  // quitting
            }
            std::shared_ptr<Job> job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_bRunning = true;
            lock.unlock();
            if (!job->stop) {
                job->call(job->stop);
            }
            ::SetEvent(job->done.Get());
            job.reset();  // an abandoned call's result goes here, on this thread
            lock.lock();
            m_bRunning = false;
            m_idle.notify_all();
        }
        lock.unlock();
        if (SUCCEEDED(com)) {
            ::CoUninitialize();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<std::shared_ptr<Job>> m_jobs;
    bool m_bRunning = false;
    bool m_bQuit = false;
    int m_nOutside = 0;  // calls running on the read-ahead workers
    std::thread m_thread;
};

}  // namespace

bool Run(Call call, const KeepGoing& keepGoing) {
    // A call that would be stopped at its first report is not started.
    if (keepGoing && !keepGoing()) {
        return false;
    }
    CWorker& worker = CWorker::Instance();
    if (worker.IsCurrent()) {
        StopFlag never{false};
        call(never);  // a call made from within a call
        return true;
    }
    auto job = std::make_shared<Job>();
    if (!job->done.IsValid()) {
        StopFlag never{false};
        call(never);  // no event to wait on: run it here, as before there was a thread
        return true;
    }
    job->call = std::move(call);
    const HANDLE done = job->done.Get();
    worker.Submit(job);
    if (WaitWhileAsking(done, keepGoing)) {
        return true;
    }
    worker.Abandon(job);
    return false;
}

bool WaitWhileAsking(HANDLE done, const KeepGoing& keepGoing) {
    for (;;) {
        const DWORD woke = keepGoing ? ::MsgWaitForMultipleObjects(1, &done, FALSE, kAskMs, kWakeOn)
                                     : ::WaitForSingleObject(done, INFINITE);
        if (woke == WAIT_OBJECT_0) {
            return true;
        }
        if (woke == WAIT_FAILED || !keepGoing()) {
            return false;
        }
    }
}

void WaitUntilIdle() {
    CWorker::Instance().WaitUntilIdle();
}

bool IsCurrent() {
    return CWorker::IsCurrent();
}

bool IsBusy() {
    return CWorker::Instance().IsBusy();
}

namespace {
thread_local bool t_callsSafePlugins = false;
}  // namespace

void MarkReadAheadWorker() {
    t_callsSafePlugins = true;
}

bool IsReadAheadWorker() {
    return t_callsSafePlugins;
}

OutsideCall::OutsideCall() {
    CWorker::Instance().CountOutside(1);
}

OutsideCall::~OutsideCall() {
    CWorker::Instance().CountOutside(-1);
}

}  // namespace decode_thread
