#pragma once
// Where a part reports a move or rename of a file it has just completed, so that Ctrl-Z
// can take it back. The main window hands the undo journal behind this to the parts that
// move and rename; they see nothing else of it. Portable: no <windows.h>.
#include <string>

enum class FileOp { kMove, kTrashMove, kRename };

// What a part tells the user when an operation it completed could not be recorded.
constexpr char kNotRecordedText[] = "操作を記録できませんでした。Ctrl+Zで元に戻せません。";

class IOperationRecorder {
public:
    // `from` and `to` are the full paths exactly as the operation used them (UTF-16).
    // False when the operation could not be recorded: it has happened all the same, but
    // Ctrl-Z cannot take it back.
    virtual bool Record(FileOp op, const std::wstring& from, const std::wstring& to) = 0;

protected:
    ~IOperationRecorder() = default;
};
