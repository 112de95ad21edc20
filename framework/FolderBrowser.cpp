#include "framework/FolderBrowser.h"

#include <shlobj.h>

#include "framework/Prompts.h"
#include "framework/WideText.h"

namespace fw {

namespace {

// Selects the initial folder once the browser is up; `data` is its path.
int CALLBACK SelectInitialFolder(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED) {
        ::SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
    }
    return 0;
}

}  // namespace

std::wstring BrowseForFolder(HWND owner, const std::wstring& initialFolder, const std::string& prompt) {
    wchar_t displayName[MAX_PATH] = {};
    const std::wstring title = Widen932(prompt);
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = SelectInitialFolder;
    info.lParam = reinterpret_cast<LPARAM>(initialFolder.c_str());
    return BrowseFolder(info);
}

}  // namespace fw
