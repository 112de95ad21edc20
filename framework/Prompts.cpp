#include "framework/Prompts.h"

#include <cwchar>
#include <utility>

#include "framework/OleScope.h"
#include "framework/ProgramSearch.h"
#include "framework/SystemFunction.h"
#include "framework/WideText.h"
#include "framework/WinApp.h"

namespace fw {
namespace {
MessageBoxResponder g_messageBox;
FolderBrowserResponder g_folderBrowser;
OpenFileResponder g_openFile;
ShellOperationResponder g_shellOperation;
ModalDialogResponder g_modalDialog;
ModalIdleResponder g_modalIdle;
ProgramStartResponder g_programStart;
}  // namespace

namespace {

int ShowMessageBox(HWND owner, std::string text, std::wstring wideText, const char* caption, UINT type) {
    const std::string shownCaption = caption != nullptr ? std::string(caption) : AppName();
    if (g_messageBox) {
        return g_messageBox(MessageBoxCall{owner, std::move(text), shownCaption, type, std::move(wideText)});
    }
    const std::wstring wideCaption = caption != nullptr ? Widen932(caption) : AppNameW();
    return ::MessageBoxW(owner, wideText.c_str(), wideCaption.c_str(), type);
}

// Reads the path of a chosen folder. The long form takes paths of any length; where the
// system lacks it, a path fits MAX_PATH characters.
std::wstring PathOfItem(LPCITEMIDLIST pidl) {
    using PathFromIdListEx = BOOL(WINAPI*)(LPCITEMIDLIST, PWSTR, DWORD, GPFIDL_FLAGS);
    static const auto longForm = SystemFunction<PathFromIdListEx>(L"shell32.dll", "SHGetPathFromIDListEx");
    static const auto shortForm =
        SystemFunction<decltype(&::SHGetPathFromIDListW)>(L"shell32.dll", "SHGetPathFromIDListW");
    std::wstring path(longForm != nullptr ? 32768 : MAX_PATH, L'\0');
    const BOOL found = longForm != nullptr
                           ? longForm(pidl, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT)
                           : shortForm != nullptr && shortForm(pidl, path.data());
    if (!found) {
        return {};
    }
    path.resize(std::wcslen(path.c_str()));
    return path;
}

}  // namespace

int MessageBox(HWND owner, const std::string& text, const char* caption, UINT type) {
    return ShowMessageBox(owner, text, Widen932(text), caption, type);
}

int MessageBox(HWND owner, const std::wstring& text, const char* caption, UINT type) {
    return ShowMessageBox(owner, Narrow932Lossy(text), text, caption, type);
}

int ShellFileOperation(SHFILEOPSTRUCTW& operation) {
    if (g_shellOperation) {
        return g_shellOperation(operation);
    }
    static const auto fileOperation = SystemFunction<decltype(&::SHFileOperationW)>(L"shell32.dll", "SHFileOperationW");
    return fileOperation != nullptr ? fileOperation(&operation) : ERROR_PROC_NOT_FOUND;
}

std::wstring BrowseFolder(const BROWSEINFOW& info) {
    if (g_folderBrowser) {
        return g_folderBrowser(info);
    }
    static const auto browse = SystemFunction<decltype(&::SHBrowseForFolderW)>(L"shell32.dll", "SHBrowseForFolderW");
    if (browse == nullptr) {
        return {};
    }
    // The new dialog style needs OLE on this thread.
    const COleScope ole;
    BROWSEINFOW copy = info;
    std::wstring result;
    if (LPITEMIDLIST pidl = browse(&copy)) {
        result = PathOfItem(pidl);
        ::CoTaskMemFree(pidl);
    }
    return result;
}

bool GetOpenFileName(OPENFILENAMEW& info) {
    if (g_openFile) {
        std::optional<std::wstring> chosen = g_openFile(info);
        if (!chosen || info.lpstrFile == nullptr || chosen->size() >= info.nMaxFile) {
            return false;
        }
        chosen->copy(info.lpstrFile, chosen->size());
        info.lpstrFile[chosen->size()] = L'\0';
        return true;
    }
    static const auto openFile = SystemFunction<decltype(&::GetOpenFileNameW)>(L"comdlg32.dll", "GetOpenFileNameW");
    return openFile != nullptr && openFile(&info) != FALSE;
}

bool StartProgram(const std::wstring& commandLine, UINT showCommand) {
    if (g_programStart) {
        return g_programStart(commandLine, showCommand);
    }
    // The system would end the line at a NUL and start something else than asked.
    if (commandLine.empty() || commandLine.find(L'\0') != std::wstring::npos) {
        return false;
    }
    // The program is found without the working directory, and named by its full path.
    const std::optional<std::wstring> found = WithFoundProgram(commandLine);
    if (!found) {
        return false;
    }
    std::wstring line = *found;  // the system may write into the line it is given
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

void SetMessageBoxResponder(MessageBoxResponder responder) {
    g_messageBox = std::move(responder);
}

void SetFolderBrowserResponder(FolderBrowserResponder responder) {
    g_folderBrowser = std::move(responder);
}

void SetOpenFileResponder(OpenFileResponder responder) {
    g_openFile = std::move(responder);
}

void SetShellOperationResponder(ShellOperationResponder responder) {
    g_shellOperation = std::move(responder);
}

void SetModalDialogResponder(ModalDialogResponder responder) {
    g_modalDialog = std::move(responder);
}

void SetModalIdleResponder(ModalIdleResponder responder) {
    g_modalIdle = std::move(responder);
}

void SetProgramStartResponder(ProgramStartResponder responder) {
    g_programStart = std::move(responder);
}

void NotifyModalDialogShown(CDialog& dialog) {
    if (g_modalDialog) {
        // A copy: the responder may replace itself while it runs.
        ModalDialogResponder responder = g_modalDialog;
        responder(dialog);
    }
}

bool WatchesModalIdle() {
    return static_cast<bool>(g_modalIdle);
}

void NotifyModalIdle(CDialog& dialog) {
    ModalIdleResponder responder = g_modalIdle;
    if (responder) {
        responder(dialog);
    }
}

}  // namespace fw
