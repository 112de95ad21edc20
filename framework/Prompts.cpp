#include "framework/Prompts.h"

#include <utility>

#include "framework/OleScope.h"
#include "framework/WinApp.h"

namespace fw {
namespace {
MessageBoxResponder g_messageBox;
FolderBrowserResponder g_folderBrowser;
OpenFileResponder g_openFile;
ShellOperationResponder g_shellOperation;
RecycleBinResponder g_recycleBin;
ModalDialogResponder g_modalDialog;
ProgramStartResponder g_programStart;
}  // namespace

int MessageBox(HWND owner, const std::string& text, const char* caption, UINT type) {
    const std::string shownCaption = caption != nullptr ? std::string(caption) : AfxGetAppName();
    if (g_messageBox) {
        return g_messageBox(MessageBoxCall{owner, text, shownCaption, type});
    }
    return ::MessageBoxA(owner, text.c_str(), shownCaption.c_str(), type);
}

int ShellFileOperation(SHFILEOPSTRUCTA& operation) {
    if (g_shellOperation) {
        return g_shellOperation(operation);
    }
    return ::SHFileOperationA(&operation);
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
std::optional<uint64_t> RecycleBinCapacity(const std::string& path) {
    if (g_recycleBin) {
        return g_recycleBin(path);
    }
    char root[MAX_PATH * 2] = {};
    if (!::GetVolumePathNameA(path.c_str(), root, sizeof root) || ::GetDriveTypeA(root) != DRIVE_FIXED) {
        return std::nullopt;
    }
    SHQUERYRBINFO info{};
    info.cbSize = sizeof info;
    char volume[MAX_PATH] = {};
    if (::SHQueryRecycleBinA(root, &info) != S_OK || PolicyOverridesBin() ||
        !::GetVolumeNameForVolumeMountPointA(root, volume, sizeof volume)) {
        return std::nullopt;
    }
    // "\\?\Volume{guid}\": the settings' key is the braced guid.
    const std::string name = volume;
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

std::string BrowseFolder(const BROWSEINFOA& info) {
    if (g_folderBrowser) {
        return g_folderBrowser(info);
    }
    // The new dialog style needs OLE on this thread.
    const COleScope ole;
    BROWSEINFOA copy = info;
    std::string result;
    if (LPITEMIDLIST pidl = ::SHBrowseForFolderA(&copy)) {
        char path[MAX_PATH] = {};
        if (::SHGetPathFromIDListA(pidl, path)) {
            result = path;
        }
        ::CoTaskMemFree(pidl);
    }
    return result;
}

bool GetOpenFileName(OPENFILENAMEA& info) {
    if (g_openFile) {
        std::optional<std::string> chosen = g_openFile(info);
        if (!chosen || info.lpstrFile == nullptr || chosen->size() >= info.nMaxFile) {
            return false;
        }
        chosen->copy(info.lpstrFile, chosen->size());
        info.lpstrFile[chosen->size()] = '\0';
        return true;
    }
    return ::GetOpenFileNameA(&info) != FALSE;
}

UINT StartProgram(const std::string& commandLine, UINT showCommand) {
    if (g_programStart) {
        return g_programStart(commandLine, showCommand);
    }
    return ::WinExec(commandLine.c_str(), showCommand);
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

}  // namespace fw
