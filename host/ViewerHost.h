#pragma once
// What a part of the main window may ask of it. The main window implements this
// privately and hands itself to each part it owns; tests hand a part a fake.
#include <windows.h>

#include <string>

#include "filelist/ListEntry.h"

class IViewerHost {
public:
    // The window that owns the part's prompts and on which it draws.
    virtual HWND OwnerWindow() const = 0;
    // The directory being listed, exactly as last set (UTF-16: any folder can be viewed).
    virtual const std::wstring& CurrentDir() const = 0;
    // The selected entry of the file list; null when nothing is selected.
    virtual const ListEntry* SelectedEntry() const = 0;
    // Lists the current directory again, keeping the selected position.
    virtual void ListAgain() = 0;
    // Shows the entry the list selects now.
    virtual void ShowSelection() = 0;
    // Tells the user that a command failed (a message box with the caption "Error").
    virtual void ReportFailure(const std::string& text) = 0;
    // The shell's folder browser, owned by the window, opened at `initialFolder` with a
    // prompt: the chosen folder's path exactly, or the empty string when the user cancels.
    virtual std::wstring ChooseFolder(const std::wstring& initialFolder, const std::string& prompt) = 0;
    // Lists the current directory again, selects the entry shown as `text` (see
    // CFileList::SelectText; else the first) and shows it.
    virtual void ListAgainSelecting(const std::wstring& text) = 0;

    // Whether a listing is being filled (it drains the queue, so commands can run inside it).
    virtual bool IsListingRunning() const = 0;
    // Makes `dir` the current directory exactly as given, lists it (a directory that does
    // not exist lists as empty) and shows the first entry.
    virtual void GoToDirectory(const std::wstring& dir) = 0;
    // Asks for the idle-time work (scaling the shown picture to the pane, reading the
    // pictures beside it) to run once nothing else is queued.
    virtual void ScheduleIdleWork() = 0;

protected:
    ~IViewerHost() = default;
};
