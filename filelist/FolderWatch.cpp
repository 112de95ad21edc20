#include "filelist/FolderWatch.h"

#include <cstddef>
#include <cstring>
#include <memory>

namespace {

constexpr wchar_t kWindowClass[] = L"IxoFolderWatch";
constexpr UINT kBatchMessage = WM_APP + 1;  // wParam: the watch's generation; lParam: the batch
constexpr UINT kWorkMessage = WM_APP + 2;
constexpr UINT_PTR kWorkTimer = 1;
constexpr DWORD kFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE |
                          FILE_NOTIFY_CHANGE_LAST_WRITE;
constexpr DWORD kBufferBytes = 64 * 1024;

}  // namespace

// Every record is checked against the bytes received before it is read: a record whose
// header or name would reach past them, or whose next offset does not step past its own
// name, ends the batch, and what it may have held is taken as unknown. A record may start
// at any byte: Windows aligns them to four bytes, Wine packs them; each is copied out.
std::vector<FolderChange> ParseChangeRecords(const BYTE* buffer, DWORD bytes) {
    std::vector<FolderChange> changes;
    const auto unknown = [&changes] { changes.push_back({FolderChange::Kind::kOverflow, {}}); };
    if (bytes == 0) {
        unknown();
        return changes;
    }
    constexpr DWORD kHeader = offsetof(FILE_NOTIFY_INFORMATION, FileName);
    for (DWORD offset = 0;;) {
        if (bytes - offset < kHeader) {
            unknown();
            break;
        }
        FILE_NOTIFY_INFORMATION info;
        std::memcpy(&info, buffer + offset, kHeader);
        if (info.FileNameLength % sizeof(wchar_t) != 0 || info.FileNameLength > bytes - offset - kHeader) {
            unknown();
            break;
        }
        FolderChange change;
        change.name.resize(info.FileNameLength / sizeof(wchar_t));
        std::memcpy(change.name.data(), buffer + offset + kHeader, info.FileNameLength);
        switch (info.Action) {
        case FILE_ACTION_ADDED:
        case FILE_ACTION_RENAMED_NEW_NAME:
            change.kind = FolderChange::Kind::kAdded;
            break;
        case FILE_ACTION_REMOVED:
        case FILE_ACTION_RENAMED_OLD_NAME:
            change.kind = FolderChange::Kind::kRemoved;
            break;
        default:
            change.kind = FolderChange::Kind::kModified;
            break;
        }
        changes.push_back(std::move(change));
        if (info.NextEntryOffset == 0) {
            break;
        }
        if (info.NextEntryOffset < kHeader + info.FileNameLength || info.NextEntryOffset >= bytes - offset) {
            unknown();
            break;
        }
        offset += info.NextEntryOffset;
    }
    return changes;
}

struct CFolderWatch::Watch {
    fw::FileHandle dir;
    fw::KernelHandle stop{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    fw::KernelHandle done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    OVERLAPPED overlapped{};
    HWND window = nullptr;
    unsigned generation = 0;
    alignas(DWORD) BYTE buffer[kBufferBytes];

    bool Issue() {
        ::ResetEvent(done.Get());
        overlapped = OVERLAPPED{};
        overlapped.hEvent = done.Get();
        return ::ReadDirectoryChangesW(dir.Get(), buffer, kBufferBytes, FALSE, kFilter, nullptr, &overlapped,
                                       nullptr) != FALSE;
    }

    // Waits for each batch and posts it to the window until told to stop or the directory
    // can no longer be watched (it went away).
    static DWORD WINAPI Run(void* param) {
        Watch& w = *static_cast<Watch*>(param);
        const HANDLE waits[] = {w.stop.Get(), w.done.Get()};
        for (;;) {
            if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
                break;
            }
            DWORD bytes = 0;
            if (!::GetOverlappedResult(w.dir.Get(), &w.overlapped, &bytes, FALSE)) {
                if (::GetLastError() != ERROR_NOTIFY_ENUM_DIR) {
                    return 0;  // the directory can no longer be watched (it went away)
                }
                bytes = 0;  // too much at once: the system kept no record
            }
            auto batch = std::make_unique<std::vector<FolderChange>>(ParseChangeRecords(w.buffer, bytes));
            if (::PostMessageW(w.window, kBatchMessage, w.generation, reinterpret_cast<LPARAM>(batch.get()))) {
                batch.release();
            }
            if (!w.Issue()) {
                return 0;
            }
        }
        ::CancelIoEx(w.dir.Get(), &w.overlapped);
        DWORD bytes = 0;
        ::GetOverlappedResult(w.dir.Get(), &w.overlapped, &bytes, TRUE);
        return 0;
    }
};

CFolderWatch::CFolderWatch(OnChanges onChanges) : m_onChanges(std::move(onChanges)) {}

CFolderWatch::~CFolderWatch() {
    Stop();
    if (m_window != nullptr) {
        ::DestroyWindow(m_window);
    }
}

bool CFolderWatch::MakeWindow() {
    if (m_window != nullptr) {
        return true;
    }
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    if (!::GetClassInfoW(instance, kWindowClass, &wc)) {
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = kWindowClass;
        ::RegisterClassW(&wc);
    }
    m_window = ::CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (m_window != nullptr) {
        ::SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    return m_window != nullptr;
}

bool CFolderWatch::Start(const std::wstring& dir) {
    Stop();
    if (s_refuseWatches || !MakeWindow()) {
        return false;
    }
    auto watch = std::make_unique<Watch>();
    watch->dir.Reset(::CreateFileW(dir.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    watch->window = m_window;
    watch->generation = ++m_generation;
    // The first wait is asked for here, so that whatever changes once Start returns is seen.
    if (!watch->dir.IsValid() || !watch->stop.IsValid() || !watch->done.IsValid() || !watch->Issue()) {
        return false;
    }
    m_thread.Reset(::CreateThread(nullptr, 0, Watch::Run, watch.get(), 0, nullptr));
    if (!m_thread.IsValid()) {
        ::CancelIoEx(watch->dir.Get(), &watch->overlapped);
        DWORD bytes = 0;
        ::GetOverlappedResult(watch->dir.Get(), &watch->overlapped, &bytes, TRUE);
        return false;
    }
    m_watch = watch.release();
    return true;
}

void CFolderWatch::Stop() {
    if (!m_thread.IsValid()) {
        return;
    }
    ::SetEvent(m_watch->stop.Get());
    ::WaitForSingleObject(m_thread.Get(), INFINITE);
    m_thread.Reset();
    delete m_watch;
    m_watch = nullptr;
    ++m_generation;
}

void CFolderWatch::PostWork(std::function<void()> work, bool afterInput) {
    if (!MakeWindow()) {
        return;
    }
    m_work = std::move(work);
    ::KillTimer(m_window, kWorkTimer);
    if (afterInput) {
        ::SetTimer(m_window, kWorkTimer, USER_TIMER_MINIMUM, nullptr);
    } else {
        ::PostMessageW(m_window, kWorkMessage, 0, 0);
    }
}

LRESULT CALLBACK CFolderWatch::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CFolderWatch*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case kBatchMessage: {
        std::unique_ptr<std::vector<FolderChange>> batch(reinterpret_cast<std::vector<FolderChange>*>(lParam));
        if (self != nullptr && self->IsWatching() && wParam == self->m_generation && self->m_onChanges) {
            self->m_onChanges(std::move(*batch));
        }
        return 0;
    }
    case WM_TIMER:
        ::KillTimer(window, kWorkTimer);
        [[fallthrough]];
    case kWorkMessage:
        if (self != nullptr && self->m_work) {
            std::function<void()> work = std::move(self->m_work);
            self->m_work = nullptr;
            work();
        }
        return 0;
    case WM_DESTROY: {
        // Batches still queued for the window go with it.
        MSG msg;
        while (::PeekMessageW(&msg, window, kBatchMessage, kBatchMessage, PM_REMOVE)) {
            delete reinterpret_cast<std::vector<FolderChange>*>(msg.lParam);
        }
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return 0;
    }
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}
