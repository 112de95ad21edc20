#include "framework/FolderBrowser.h"

#include <shlobj.h>

#include "framework/Prompts.h"

namespace fw {

namespace {

// Selects the initial folder once the browser is up; `data` is its path.
int CALLBACK SelectInitialFolder(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED) {
        ::SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
    }
    return 0;
}

}  // namespace

std::string BrowseForFolder(HWND owner, const std::string& initialFolder, const std::string& prompt) {
    char displayName[MAX_PATH] = {};
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = prompt.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = SelectInitialFolder;
    info.lParam = reinterpret_cast<LPARAM>(initialFolder.c_str());
    return BrowseFolder(info);
}

}  // namespace fw
