#pragma once
// Watching one directory for what other programs do to it: a thread of its own waits on
// the system's change notifications (names added, removed or renamed, sizes and times
// written) and hands each batch to the thread that started the watch, through a hidden
// window of that thread, so that the callback runs among that thread's messages and
// never beside them. The same window runs work the owner posts to itself (PostWork).
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Handles.h"

struct FolderChange {
    enum class Kind {
        kAdded,     // a name came (created, or renamed to)
        kRemoved,   // a name went (deleted, or renamed from)
        kModified,  // a file's size or time changed
        kOverflow,  // too much changed at once: what changed is unknown
    };
    Kind kind = Kind::kAdded;
    std::wstring name;  // relative to the watched directory; empty for kOverflow
};

// The changes a buffer of the system's change records holds (`bytes` of them received; none
// means the system kept no record: too much changed). Records that do not fit in what was
// received are not read; what they held counts as unknown (kOverflow).
std::vector<FolderChange> ParseChangeRecords(const BYTE* buffer, DWORD bytes);

class CFolderWatch {
public:
    using OnChanges = std::function<void(std::vector<FolderChange>)>;
    // `onChanges` and the posted work run on the thread that makes this object.
    explicit CFolderWatch(OnChanges onChanges);
    ~CFolderWatch();
    CFolderWatch(const CFolderWatch&) = delete;
    CFolderWatch& operator=(const CFolderWatch&) = delete;

    // Stops any watch and watches `dir`; every change made after this returns is reported.
    // False when the directory cannot be watched (nothing is watched then).
    bool Start(const std::wstring& dir);
    // Stops watching; batches not yet handed over are dropped.
    void Stop();
    bool IsWatching() const { return m_thread.IsValid(); }

    // Runs `work` once the thread's queue reaches it: at once when nothing is waiting,
    // else after the keys, clicks and paints that wait (`afterInput`).
    void PostWork(std::function<void()> work, bool afterInput);
    // Drops the work posted and not yet run.
    void CancelWork() { m_work = nullptr; }

    // Refuses every watch, as a folder that cannot be watched does (for tests).
    static inline bool s_refuseWatches = false;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool MakeWindow();

    OnChanges m_onChanges;
    HWND m_window = nullptr;
    struct Watch;  // what the watching thread works with
    Watch* m_watch = nullptr;
    fw::KernelHandle m_thread;
    unsigned m_generation = 0;  // batches of an earlier watch are dropped
    std::function<void()> m_work;
};
