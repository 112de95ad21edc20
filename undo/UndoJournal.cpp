#include "undo/UndoJournal.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "framework/FileIdentity.h"
#include "framework/WideText.h"
#include "framework/WinApp.h"
#include "portable/PathUtil.h"

namespace {

// More than a kept journal can reach; a larger file is read only this far.
constexpr DWORD kReadLimit = 64u << 20;
// How long an operation on the journal waits, in all, for another viewer or program that
// holds it, and how often it looks again.
constexpr DWORD kWaitMs = 300;
constexpr DWORD kRetryStepMs = 10;

DWORD DeadlineFromNow() {
    return ::GetTickCount() + kWaitMs;
}

DWORD Remaining(DWORD deadline) {
    const auto left = static_cast<LONG>(deadline - ::GetTickCount());
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

// The names of the mutex and the shared memory of a journal, after its path in upper
// case, so that viewers that spell it differently still meet.
std::wstring SharedName(const wchar_t* kind, const std::wstring& path) {
    std::wstring upper = path;
    if (!upper.empty()) {
        ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    }
    uint64_t hash = 0xCBF29CE484222325u;
    for (const wchar_t unit : upper) {
        hash = (hash ^ static_cast<uint16_t>(unit)) * 0x100000001B3u;
    }
    return std::wstring(L"Local\\") + kind + L"-" + std::to_wstring(hash);
}

// How often a kept handle looks whether it has been quiet long enough, or is asked for.
constexpr DWORD kKeepCheckMs = 1000;

// The journals of this thread whose keep timer runs: a thread timer's callback is told
// only the timer.
std::vector<std::pair<UINT_PTR, CUndoJournal*>>& KeepTimers() {
    thread_local std::vector<std::pair<UINT_PTR, CUndoJournal*>> timers;
    return timers;
}

// Opens the journal shared for reading and writing, waiting until `deadline` for a
// program that holds it unshared (a viewer of an earlier version does while it writes).
HANDLE OpenShared(const std::wstring& path, DWORD access, DWORD disposition, DWORD deadline) {
    for (;;) {
        HANDLE file = ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        const DWORD error = ::GetLastError();
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
        if (file != INVALID_HANDLE_VALUE || !held || Remaining(deadline) == 0) {
            ::SetLastError(error);
            return file;
        }
        ::Sleep(std::min(kRetryStepMs, Remaining(deadline)));
    }
}

struct FileText {
    std::string text;
    bool whole = true;  // not cut at the read limit
    bool read = false;  // false: the file is there but could not be read
};

FileText ReadPrefix(const std::wstring& path, DWORD limit, DWORD deadline) {
    FileText result;
    fw::FileHandle file(OpenShared(path, GENERIC_READ, OPEN_EXISTING, deadline));
    if (!file.IsValid()) {
        // No journal yet is an empty one.
        const DWORD error = ::GetLastError();
        result.read = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return result;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) {
        return result;
    }
    result.whole = size.QuadPart <= limit;
    result.text.assign(static_cast<size_t>(std::min<LONGLONG>(size.QuadPart, limit)), '\0');
    DWORD got = 0;
    result.read = result.text.empty() ||
                  (::ReadFile(file.Get(), result.text.data(), static_cast<DWORD>(result.text.size()), &got, nullptr) &&
                   got == result.text.size());
    if (!result.read) {
        result.text.clear();
    }
    return result;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return bytes.empty() || (::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                             written == bytes.size());
}

// Whether an append to the open journal follows a whole line: a writer that died in the
// middle of a line, or a full disk, leaves a piece of one.
bool EndsWithLineBreak(HANDLE file) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) {
        return false;
    }
    if (size.QuadPart == 0) {
        return true;
    }
    // Read at the file pointer, not at an offset: a read at an offset reports its completion
    // to the system, a round trip under Wine. The handle only appends (no FILE_WRITE_DATA),
    // so its writes go to the end of the file wherever the pointer stands.
    LARGE_INTEGER at{};
    at.QuadPart = size.QuadPart - 1;
    char last = 0;
    DWORD got = 0;
    return ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ::ReadFile(file, &last, 1, &got, nullptr) && got == 1 &&
           last == '\n';
}

uint64_t SplitMix(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

}  // namespace

// Holds the journal's mutex for a scope. A viewer that died holding it leaves it
// abandoned, and the next one takes it over: a piece of a line it may have left is cut
// off when the file is next read.
class CUndoJournal::Lock {
public:
    Lock(HANDLE mutex, DWORD deadline) : m_mutex(mutex) {
        if (m_mutex != nullptr) {
            const DWORD result = ::WaitForSingleObject(m_mutex, Remaining(deadline));
            m_bHeld = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
        }
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    ~Lock() {
        if (m_mutex != nullptr && m_bHeld) {
            ::ReleaseMutex(m_mutex);
        }
    }
    // Without a mutex (the system made none) there is nobody to wait for.
    bool Held() const { return m_mutex == nullptr || m_bHeld; }

private:
    HANDLE m_mutex;
    bool m_bHeld = false;
};

// What the viewers of one file share. `letGo` is set by a compaction that found the file
// held and cleared by one that put the compacted file in place; while it is set, no
// viewer keeps its handle after an append.
struct CUndoJournal::Shared {
    volatile LONG letGo;
};

CUndoJournal::CUndoJournal(std::wstring path, DWORD keepMs)
    : m_path(std::move(path)),
      m_keepMs(keepMs),
      m_mutex(::CreateMutexW(nullptr, FALSE, SharedName(L"IxoUndoJournal", m_path).c_str())),
      m_sharedMapping(::CreateFileMappingW(INVALID_HANDLE_VALUE,
                                           nullptr,
                                           PAGE_READWRITE,
                                           0,
                                           sizeof(Shared),
                                           SharedName(L"IxoUndoJournalShared", m_path).c_str())),
      m_compactAt(2 * kJournalKeep) {
    if (m_sharedMapping.IsValid()) {
        m_shared = static_cast<Shared*>(
            ::MapViewOfFile(m_sharedMapping.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(Shared)));
    }
    // Identities only need to differ from those of the other records of the journal:
    // the process, the moment and the object seed a sequence that no other viewer follows.
    LARGE_INTEGER counter{};
    ::QueryPerformanceCounter(&counter);
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const uint64_t time = static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
    m_idState = SplitMix(static_cast<uint64_t>(::GetCurrentProcessId()) << 32 ^ SplitMix(time) ^
                         static_cast<uint64_t>(counter.QuadPart) ^ reinterpret_cast<uintptr_t>(this));
}

CUndoJournal::~CUndoJournal() {
    LetGo();
    if (m_shared != nullptr) {
        ::UnmapViewOfFile(m_shared);
    }
}

std::wstring CUndoJournal::DefaultPath() {
    return AddTrailingBackslash(GetDirectoryPart(fw::ExecutablePath())) + L"IxoUndo.log";
}

std::optional<JournalStamp> CUndoJournal::StampOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    JournalStamp stamp;
    stamp.size = static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    stamp.writeTime =
        static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
    return stamp;
}

std::optional<JournalFolderId> CUndoJournal::FolderIdOf(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return std::nullopt;
    }
    const std::optional<fw::FileIdentity> identity = fw::IdentityOf(path);
    if (!identity) {
        return std::nullopt;
    }
    return JournalFolderId{identity->volume, static_cast<uint64_t>(identity->indexHigh) << 32 | identity->indexLow};
}

bool CUndoJournal::Record(FileOp op, const std::wstring& from, const std::wstring& to) {
    JournalEntry entry;
    entry.op = op;
    entry.from = fw::NarrowUtf8(from).value_or(std::string());
    entry.to = fw::NarrowUtf8(to).value_or(std::string());
    entry.id = NewId();
    entry.stamp = StampOf(to);
    if (!entry.stamp) {
        entry.folder = FolderIdOf(to);
    }
    return Write(FormatOperation(entry));
}

std::optional<JournalEntry> CUndoJournal::Latest() {
    const DWORD deadline = DeadlineFromNow();
    const Lock lock(m_mutex.Get(), deadline);
    // Without the mutex the file is only read: another viewer may be in the middle of a line.
    ParsedJournal parsed = Read(lock.Held(), deadline);
    if (parsed.live.empty()) {
        return std::nullopt;
    }
    return std::move(parsed.live.back());
}

bool CUndoJournal::MarkUndone(const JournalEntry& entry) {
    return Write(FormatUndone(entry));
}

bool CUndoJournal::Write(const std::string& line) {
    if (line.empty()) {
        return false;
    }
    const DWORD deadline = DeadlineFromNow();
    const Lock lock(m_mutex.Get(), deadline);
    if (!lock.Held()) {
        return false;
    }
    if (!m_bSound) {
        Read(true, deadline);
    }
    const bool appended = m_bSound && Append(line, deadline);
    if (appended && m_lines > m_compactAt) {
        Read(true, deadline);
    }
    KeepOrLetGo();
    return appended;
}

void CUndoJournal::KeepOrLetGo() {
    // The keep timer runs only while a handle is kept.
    if (!m_file.IsValid() || m_keepMs == 0 || !m_bSound || LetGoAsked()) {
        LetGo();
        return;
    }
    if (m_keepTimer == 0) {
        m_keepTimer = ::SetTimer(nullptr, 0, std::min(m_keepMs, kKeepCheckMs), &CUndoJournal::OnKeepTimer);
        if (m_keepTimer == 0) {
            m_file.Reset();  // nothing would let go of it
            return;
        }
        KeepTimers().emplace_back(m_keepTimer, this);
    }
}

bool CUndoJournal::LetGoAsked() const {
    // Without shared memory no other viewer could ask: such a viewer keeps nothing.
    return m_shared == nullptr || m_shared->letGo != 0;
}

void CUndoJournal::LetGo() {
    m_file.Reset();
    StopKeepTimer();
}

void CUndoJournal::StopKeepTimer() {
    if (m_keepTimer == 0) {
        return;
    }
    ::KillTimer(nullptr, m_keepTimer);
    std::erase(KeepTimers(), std::pair(m_keepTimer, this));
    m_keepTimer = 0;
}

void CALLBACK CUndoJournal::OnKeepTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    const auto& timers = KeepTimers();
    const auto found = std::find_if(timers.begin(), timers.end(), [timer](const auto& t) { return t.first == timer; });
    if (found == timers.end()) {
        ::KillTimer(nullptr, timer);
        return;
    }
    CUndoJournal& journal = *found->second;
    if (::GetTickCount() - journal.m_lastAppend >= journal.m_keepMs || journal.LetGoAsked()) {
        journal.LetGo();
    }
}

ParsedJournal CUndoJournal::Read(bool mayRewrite, DWORD deadline) {
    const FileText file = ReadPrefix(m_path, kReadLimit, deadline);
    ParsedJournal parsed = ParseJournal(file.text, kJournalKeep);
    if (!file.read) {
        m_bSound = false;
        return parsed;
    }
    m_lines = parsed.lines;
    m_bSound = file.whole && parsed.validBytes == file.text.size();
    if (mayRewrite && (!m_bSound || parsed.lines > 2 * kJournalKeep)) {
        const std::string compacted = FormatCompacted(parsed.live);
        if (Replace(compacted)) {
            parsed = ParseJournal(compacted);
            m_lines = parsed.lines;
            m_bSound = true;
            m_compactAt = 2 * kJournalKeep;
        } else {
            // A program outside the viewers holds the file: not again before more records.
            m_compactAt = m_lines + kJournalKeep / 4;
        }
    }
    return parsed;
}

bool CUndoJournal::Append(const std::string& line, DWORD deadline) {
    // Appending access alone: every write lands at the end of the file as it is then.
    // No flush: a written record is in the system's cache, which a killed viewer leaves
    // behind; a power cut may lose the last records, and the reader drops a tail it cuts.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!m_file.IsValid()) {
            m_file.Reset(OpenShared(m_path, FILE_APPEND_DATA | FILE_READ_DATA, OPEN_ALWAYS, deadline));
        }
        if (!m_file.IsValid()) {
            return false;
        }
        if (EndsWithLineBreak(m_file.Get())) {
            if (!WriteAll(m_file.Get(), line)) {
                m_bSound = false;  // a piece of the line may have been written
                return false;
            }
            ++m_lines;
            m_lastAppend = ::GetTickCount();
            return true;
        }
        m_file.Reset();
        Read(true, deadline);
        if (!m_bSound) {
            return false;
        }
    }
    return false;
}

bool CUndoJournal::Replace(const std::string& text) {
    const size_t slash = m_path.find_last_of(L'\\');
    if (slash == std::wstring::npos) {
        return false;
    }
    const std::wstring dir = m_path.substr(0, slash + 1);
    wchar_t temp[MAX_PATH + 16] = {};
    if (dir.size() >= MAX_PATH - 14 || ::GetTempFileNameW(dir.c_str(), L"ixo", 0, temp) == 0) {
        return false;
    }
    bool written = false;
    {
        fw::FileHandle file(
            ::CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        // Flushed before it takes the journal's name: the rename must not outrun the bytes.
        written = file.IsValid() && WriteAll(file.Get(), text) && ::FlushFileBuffers(file.Get());
    }
    // Fails while anything holds the journal open, this viewer's own kept handle too.
    m_file.Reset();
    if (!written || !::MoveFileExW(temp, m_path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(temp);
        if (written && m_shared != nullptr) {
            ::InterlockedExchange(&m_shared->letGo, 1);  // held: the other viewers let go
        }
        return false;
    }
    if (m_shared != nullptr) {
        ::InterlockedExchange(&m_shared->letGo, 0);
    }
    return true;
}

uint64_t CUndoJournal::NewId() {
    const uint64_t id = SplitMix(m_idState += 0x9E3779B97F4A7C15u);
    return id != 0 ? id : 1;
}
