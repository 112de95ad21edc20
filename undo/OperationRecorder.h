#pragma once
// Where a part reports a move or rename of a file it has just completed, so that Ctrl-Z
// can take it back. The main window hands the undo journal behind this to the parts that
// move and rename; they see nothing else of it. Portable: no <windows.h>.
#include <string>

enum class FileOp { kMove, kTrashMove, kRename };

class IOperationRecorder {
public:
    // `from` and `to` are the full paths exactly as the operation used them (UTF-16).
    virtual void Recorded(FileOp op, const std::wstring& from, const std::wstring& to) = 0;

protected:
    ~IOperationRecorder() = default;
};
