#pragma once
// What a part of the main window may ask of the window itself. The window implements this
// privately and hands itself to each part it owns; tests hand a part a fake. What the
// folder holds, and which entry is selected, a part asks of the folder (CFolder).
#include <windows.h>

#include <string>

#include "host/OpResult.h"

class IViewerHost {
public:
    // The window that owns the part's prompts.
    virtual HWND OwnerWindow() const = 0;
    // Tells the user that a command failed: when `result` is a failure, a message box with
    // the caption "Error" shows `text`. Any other result needs no word (a refusal was told
    // by the operation itself).
    virtual void ReportIfFailed(const OpResult& result, const std::string& text) = 0;
    // The shell's folder browser, owned by the window, opened at `initialFolder` with a
    // prompt: the chosen folder's path exactly, or the empty string when the user cancels.
    virtual std::wstring ChooseFolder(const std::wstring& initialFolder, const std::string& prompt) = 0;
    // Shows `text` at the end of the window's title, after the folder and the shown entry's
    // facts, until the next command of the user, the folder listed again or another note;
    // the empty text takes the note away.
    virtual void ShowTitleNote(const std::wstring& text) = 0;

protected:
    ~IViewerHost() = default;
};
