#pragma once
// The undo journal beside the executable: each completed move, trash move and rename is
// appended as it completes, so that it can be undone after a restart or a crash. Paths
// are kept in UTF-8, so a name outside code page 932 survives. The file is read afresh
// whenever it is asked what to undo: another viewer's records count too.
//
// Several viewers may share the file. Each reads, appends and compacts it only while it
// holds a mutex named after the file: a viewer's append therefore never lands between
// another's reading for a compaction and its putting the compacted file in place.
// A viewer keeps the handle of its last append open until the file has been quiet for a
// few seconds, so that a run of keys does not open and close the file for each record.
// The handle shares reading and writing, not deletion, so nothing can be put in the
// file's place while a viewer holds it, and a record never lands in a file that has
// been replaced. A compaction that finds the file held leaves it as it is and asks the
// viewers, through memory they share, to keep no handle until a compaction succeeds.
// A program that opens the file without sharing writing is refused until the viewers
// have let go. A record is in the file (in the system's cache, which outlives the
// process) when Record returns.
#include <windows.h>

#include <optional>
#include <string>

#include "framework/Handles.h"
#include "undo/JournalText.h"
#include "undo/OperationRecorder.h"

class CUndoJournal : public IOperationRecorder {
public:
    // How long a viewer keeps the file open after its last append.
    static constexpr DWORD kKeepMs = 5000;

    // `keepMs` 0: the file is closed after each append.
    explicit CUndoJournal(std::wstring path, DWORD keepMs = kKeepMs);
    CUndoJournal(const CUndoJournal&) = delete;
    CUndoJournal& operator=(const CUndoJournal&) = delete;
    ~CUndoJournal();

    // IxoUndo.log beside the executable (and Ixo.ini).
    static std::wstring DefaultPath();

    // Appends the operation with a new identity and, for a file, the size and last-write
    // time it has now at `to`, for a folder its identity. Waits a little for another viewer that holds the journal;
    // false when it could not be written, or when a path is one UTF-8 cannot carry (a
    // lone surrogate). The operation itself has happened and stays.
    bool Record(FileOp op, const std::wstring& from, const std::wstring& to) override;
    // The latest operation not yet undone, as the file holds it now.
    std::optional<JournalEntry> Latest();
    // Records that `entry` has been undone; false when the journal could not be written.
    bool MarkUndone(const JournalEntry& entry);

    // The size and last-write time of the file at `path`; none for a folder or when they
    // cannot be read.
    static std::optional<JournalStamp> StampOf(const std::wstring& path);
    // The identity of the folder at `path` (volume and file index); none for a file or
    // when it cannot be opened.
    static std::optional<JournalFolderId> FolderIdOf(const std::wstring& path);

private:
    class Lock;
    struct Shared;

    // Appends a line (none when empty) under the mutex, after a read that cuts a damaged
    // tail when one may be there; compacts afterwards when due.
    bool Write(const std::string& line);
    // After an append: keeps the handle for the next one, with the keep timer running, or
    // closes it when the file is damaged or the viewers were asked to let go.
    void KeepOrLetGo();
    bool LetGoAsked() const;
    // Closes the kept handle; the next append opens the file again.
    void LetGo();
    void StopKeepTimer();
    // Lets go once the file has been quiet for keepMs, or another viewer asks.
    static void CALLBACK OnKeepTimer(HWND, UINT, UINT_PTR timer, DWORD);
    // Reads the file. With `mayRewrite` (the mutex held), a damaged tail is cut off, so
    // that new records follow valid ones, and a journal of more than twice the operations
    // it keeps is compacted.
    ParsedJournal Read(bool mayRewrite, DWORD deadline);
    // Appends a line after the file's last whole line, through the kept handle when there
    // is one; the mutex is held.
    bool Append(const std::string& line, DWORD deadline);
    // Replaces the file by one holding `text`, written beside it first.
    bool Replace(const std::string& text);
    uint64_t NewId();

    std::wstring m_path;
    DWORD m_keepMs;
    fw::UniqueHandle<HANDLE, fw::KernelTraits> m_mutex;
    // Memory shared by the viewers of the file; none when the system made none.
    fw::UniqueHandle<HANDLE, fw::KernelTraits> m_sharedMapping;
    Shared* m_shared = nullptr;
    // Opened for appending, kept between appends for m_keepMs.
    fw::FileHandle m_file;
    DWORD m_lastAppend = 0;  // tick count
    UINT_PTR m_keepTimer = 0;
    // The file as last read ended with a whole record, so that an append follows valid ones.
    bool m_bSound = false;
    size_t m_lines = 0;      // lines in the file, as far as this object knows
    size_t m_compactAt = 0;  // a count of lines past which Record compacts
    uint64_t m_idState = 0;
};
