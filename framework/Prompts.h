#pragma once
// Every prompt to the user goes through one function each, so that a test can
// answer it in-process. A responder installed here replaces the real prompt; with
// none installed (the program as shipped) the real prompt is shown.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace fw {

class CDialog;

// A message box owned by `owner`; a null caption shows the application's name.
int MessageBox(HWND owner, const std::string& text, const char* caption = nullptr, UINT type = MB_OK);

// The shell's folder browser: the chosen folder's file-system path, or the empty
// string when the user cancels or the folder has no file-system path.
std::string BrowseFolder(const BROWSEINFOA& info);

// The system's file-open dialog: true when the user chose a file (written to info.lpstrFile).
bool GetOpenFileName(OPENFILENAMEA& info);

// The shell's file operation (SHFileOperationA), with its own confirmation, progress
// and error dialogs; returns the shell's result.
int ShellFileOperation(SHFILEOPSTRUCTA& operation);

// Starts a program by its command line (WinExec) with a show state; does not wait for it
// to end. Returns WinExec's result (above 31 when the program started).
UINT StartProgram(const std::string& commandLine, UINT showCommand = SW_SHOWDEFAULT);
// How much the shell's deletion with undo surely puts into the recycle bin in one item on
// the volume that holds `path`, in bytes: a folder larger than that is deleted for good
// (silently, when no confirmation is asked). None when the shell may delete anything for
// good there, or when that cannot be told: no recycle bin (removable and network drives),
// the bin switched off, or its settings not to be read.
std::optional<uint64_t> RecycleBinCapacity(const std::string& path);

struct MessageBoxCall {
    HWND owner;
    std::string text;
    std::string caption;  // as shown: the application's name when none was given
    UINT type;
};

using MessageBoxResponder = std::function<int(const MessageBoxCall&)>;
using FolderBrowserResponder = std::function<std::string(const BROWSEINFOA&)>;
using OpenFileResponder = std::function<std::optional<std::string>(const OPENFILENAMEA&)>;
using ShellOperationResponder = std::function<int(SHFILEOPSTRUCTA&)>;
using ProgramStartResponder = std::function<UINT(const std::string& commandLine, UINT showCommand)>;
using RecycleBinResponder = std::function<std::optional<uint64_t>(const std::string& path)>;
// Runs once a modal dialog is up and its loop is running.
using ModalDialogResponder = std::function<void(CDialog&)>;

void SetMessageBoxResponder(MessageBoxResponder responder);
void SetFolderBrowserResponder(FolderBrowserResponder responder);
void SetOpenFileResponder(OpenFileResponder responder);
void SetShellOperationResponder(ShellOperationResponder responder);
void SetRecycleBinResponder(RecycleBinResponder responder);
void SetModalDialogResponder(ModalDialogResponder responder);
void SetProgramStartResponder(ProgramStartResponder responder);

// Used by CDialog when its modal loop starts.
void NotifyModalDialogShown(CDialog& dialog);

}  // namespace fw
