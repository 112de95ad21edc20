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

// A message box owned by `owner`; a null caption shows the application's name. The text
// is a code-page-932 text or a UTF-16 one (which may name a file exactly); the caption is
// code page 932. Shown through the wide function.
int MessageBox(HWND owner, const std::string& text, const char* caption = nullptr, UINT type = MB_OK);
int MessageBox(HWND owner, const std::wstring& text, const char* caption = nullptr, UINT type = MB_OK);

// The shell's folder browser: the chosen folder's file-system path, whatever its length,
// or the empty string when the user cancels or the folder has no file-system path.
std::wstring BrowseFolder(const BROWSEINFOW& info);

// The system's file-open dialog: true when the user chose a file (written to info.lpstrFile).
bool GetOpenFileName(OPENFILENAMEW& info);

// The shell's file operation (SHFileOperationW), with its own confirmation, progress
// and error dialogs; returns the shell's result.
int ShellFileOperation(SHFILEOPSTRUCTW& operation);

// Starts a program by its command line (CreateProcessW, the program found as the system
// finds it from the line but never in the working directory: framework/ProgramSearch)
// with a show state; does not wait for it. True when it started.
bool StartProgram(const std::wstring& commandLine, UINT showCommand = SW_SHOWDEFAULT);
struct MessageBoxCall {
    HWND owner;
    // The text in code page 932 (as given, or the UTF-16 text converted with the system's
    // substitute for a character the code page cannot hold), so that tests compare it
    // with the program's code-page-932 literals.
    std::string text;
    std::string caption;  // as shown: the application's name when none was given
    UINT type;
    std::wstring wideText;  // the text exactly as shown
};

using MessageBoxResponder = std::function<int(const MessageBoxCall&)>;
using FolderBrowserResponder = std::function<std::wstring(const BROWSEINFOW&)>;
using OpenFileResponder = std::function<std::optional<std::wstring>(const OPENFILENAMEW&)>;
using ShellOperationResponder = std::function<int(SHFILEOPSTRUCTW&)>;
using ProgramStartResponder = std::function<bool(const std::wstring& commandLine, UINT showCommand)>;
// Runs once a modal dialog is up and its loop is running.
using ModalDialogResponder = std::function<void(CDialog&)>;
// Runs whenever a modal dialog's own loop finds nothing waiting: never from a loop nested
// in one of its handlers, such as a listing's or a pass's.
using ModalIdleResponder = std::function<void(CDialog&)>;

void SetMessageBoxResponder(MessageBoxResponder responder);
void SetFolderBrowserResponder(FolderBrowserResponder responder);
void SetOpenFileResponder(OpenFileResponder responder);
void SetShellOperationResponder(ShellOperationResponder responder);
void SetModalDialogResponder(ModalDialogResponder responder);
void SetModalIdleResponder(ModalIdleResponder responder);
void SetProgramStartResponder(ProgramStartResponder responder);

// Used by CDialog when its modal loop starts, and when the loop is idle.
void NotifyModalDialogShown(CDialog& dialog);
bool WatchesModalIdle();
void NotifyModalIdle(CDialog& dialog);

}  // namespace fw
