#pragma once
// The undo journal beside the executable: each completed move, trash move and rename is
// appended and flushed as it completes, so that it can be undone after a restart or a
// crash. Paths are kept in UTF-8, so a name outside code page 932 survives. The file is
// read afresh whenever it is asked what to undo: another viewer's records count too.
#include <windows.h>

#include <optional>
#include <string>

#include "undo/JournalText.h"
#include "undo/OperationRecorder.h"

class CUndoJournal : public IOperationRecorder {
public:
    explicit CUndoJournal(std::wstring path);
    CUndoJournal(const CUndoJournal&) = delete;
    CUndoJournal& operator=(const CUndoJournal&) = delete;

    // IxoUndo.log beside the executable (and Ixo.ini).
    static std::wstring DefaultPath();

    // Appends the operation. A journal that cannot be written loses the record; the
    // operation itself has happened and stays.
    // A path that UTF-8 cannot carry (a lone surrogate) is not recorded.
    void Recorded(FileOp op, const std::wstring& from, const std::wstring& to) override;
    // The latest operation not yet undone, as the file holds it now.
    std::optional<JournalEntry> Latest();
    // Records that `entry` has been undone.
    bool MarkUndone(const JournalEntry& entry);

private:
    // Reads the file. A damaged tail is cut off (so that new records follow valid ones),
    // and a journal of more than twice the operations it keeps is compacted.
    ParsedJournal Read();
    bool Append(const std::string& line);
    // Replaces the file by one holding `text`, written beside it first.
    bool Replace(const std::string& text);

    std::wstring m_path;
    bool m_bRead = false;
    size_t m_lines = 0;  // lines in the file, as far as this object knows
};
