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
RecycleBinResponder g_recycleBin;
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

namespace {

constexpr char kExplorerPolicies[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr char kBinVolumes[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\BitBucket\\Volume\\";

std::optional<DWORD> ReadRegistryDword(HKEY root, const std::string& key, const char* name) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof value;
    const LONG read = ::RegQueryValueExA(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    ::RegCloseKey(opened);
    return read == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value ? std::optional<DWORD>(value)
                                                                              : std::nullopt;
}

// A policy that switches the bin off, or that sizes it otherwise than its own settings.
bool PolicyOverridesBin() {
    for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        if (ReadRegistryDword(root, kExplorerPolicies, "NoRecycleFiles").value_or(0) != 0 ||
            ReadRegistryDword(root, kExplorerPolicies, "RecycleBinSize").has_value()) {
            return true;
        }
    }
    return false;
}

}  // namespace

// The bin's own settings per volume, kept by the shell under the volume's name: its size
// in megabytes and whether it deletes at once. Without them nothing is sure.
std::optional<uint64_t> RecycleBinCapacity(const std::wstring& path) {
    if (g_recycleBin) {
        return g_recycleBin(path);
    }
    // A relative path's root comes from the current directory; a volume's own name is
    // well under MAX_PATH.
    std::wstring root(path.size() + MAX_PATH, L'\0');
    if (!::GetVolumePathNameW(path.c_str(), root.data(), static_cast<DWORD>(root.size())) ||
        ::GetDriveTypeW(root.c_str()) != DRIVE_FIXED) {
        return std::nullopt;
    }
    static const auto queryBin = SystemFunction<decltype(&::SHQueryRecycleBinW)>(L"shell32.dll", "SHQueryRecycleBinW");
    SHQUERYRBINFO info{};
    info.cbSize = sizeof info;
    wchar_t volume[MAX_PATH] = {};
    if (queryBin == nullptr || queryBin(root.c_str(), &info) != S_OK || PolicyOverridesBin() ||
        !::GetVolumeNameForVolumeMountPointW(root.c_str(), volume, MAX_PATH)) {
        return std::nullopt;
    }
    // "\\?\Volume{guid}\": the settings' key is the braced guid (ASCII).
    const std::string name = FromWide(volume, CP_ACP);
    const size_t open = name.find('{');
    const size_t close = name.find('}', open);
    if (open == std::string::npos || close == std::string::npos) {
        return std::nullopt;
    }
    const std::string key = kBinVolumes + name.substr(open, close - open + 1);
    const std::optional<DWORD> megabytes = ReadRegistryDword(HKEY_CURRENT_USER, key, "MaxCapacity");
    if (!megabytes || ReadRegistryDword(HKEY_CURRENT_USER, key, "NukeOnDelete").value_or(0) != 0) {
        return std::nullopt;
    }
    return uint64_t{*megabytes} << 20;
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

void SetRecycleBinResponder(RecycleBinResponder responder) {
    g_recycleBin = std::move(responder);
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
