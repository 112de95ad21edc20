// The file list of the main window: loading the plug-ins, listing a directory,
// changing the current directory, and the message pump of long loops.
#include <shlobj.h>

#include <unordered_map>

#include "app/ViewerDlg.h"
#include "filelist/PathUtil.h"
#include "framework/Gdi.h"
#include "framework/Handles.h"
#include "framework/Prompts.h"
#include "image/PluginFilter.h"

namespace {

// The queue is drained at most this often while a directory is listed.
constexpr DWORD kDrainIntervalMs = 15;

constexpr char kBrowsePrompt[] = "ディレクトリ選択\nこのディレクトリ内の画像ファイルについて操作します。";

int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED) {
        ::SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
    }
    return 0;
}

std::string FullPathOf(const std::string& relative) {
    char full[MAX_PATH * 2] = {};
    const DWORD len = ::GetFullPathNameA(relative.c_str(), sizeof full, full, nullptr);
    return len > 0 && len < sizeof full ? std::string(full, len) : relative;
}

// Upper-cases a file name the way the list compares extensions (ASCII letters only,
// double-byte characters kept whole).
std::string UpperName(const std::string& name) {
    std::string upper = name;
    for (size_t i = 0; i < upper.size(); ++i) {
        const auto c = static_cast<unsigned char>(upper[i]);
        if (IsLeadByte(c) && i + 1 < upper.size()) {
            ++i;
        } else if (c >= 'a' && c <= 'z') {
            upper[i] = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

}  // namespace

void CViewerDlg::LoadPlugins() {
    for (int i = 0; i < m_plugins.GetSize(); ++i) {
        m_plugins.GetAt(i)->Unload();
    }
    m_plugins.RemoveAll();

    // The pattern is relative: plug-ins are looked up below the current directory.
    const std::string dir = AddTrailingBackslash(FullPathOf("SPI\\"));
    WIN32_FIND_DATAA found;
    fw::FindHandle find(::FindFirstFileA((std::string("SPI\\*.") + kSpiPluginExtension).c_str(), &found));
    if (!find.IsValid()) {
        return;
    }
    do {
        const std::string path = dir + found.cFileName;
        // The pattern also matches a longer extension through its short name (x.spix).
        if (GetExtensionUpper(path) != kSpiPluginExtension) {
            continue;
        }
        CSpiPlugin probe;
        if (probe.Load(path)) {
            m_plugins.Add(probe);
        }
    } while (::FindNextFileA(find.Get(), &found));
}

void CViewerDlg::ListDirectory(const std::string& dir) {
    if (m_bListing) {
        return;
    }
    m_bListing = TRUE;
    SetWindowText("- IXO -" + std::string(" [") + dir + "]");
    m_listFiles.ResetContent();
    for (int i = 0; i < m_plugins.GetSize(); ++i) {
        m_plugins.GetAt(i)->FreePicture();
    }

    // Redrawing is suspended while the list fills: a visible list repaints on every insert.
    m_listFiles.SetRedraw(FALSE);
    FillList(dir);
    if (m_hWnd == nullptr) {
        m_bListing = FALSE;
        return;  // the window went away while the queue was drained
    }
    m_listFiles.SetRedraw(TRUE);
    ::InvalidateRect(m_listFiles.m_hWnd, nullptr, TRUE);

    m_listFiles.SetCurSel(0);
    m_nCurIndex = 0;
    UpdateData(FALSE);
    m_bListing = FALSE;
}

void CViewerDlg::FillList(const std::string& dir) {
    WIN32_FIND_DATAA found;
    fw::FindHandle find(::FindFirstFileA((AddTrailingBackslash(dir) + "*.*").c_str(), &found));
    if (!find.IsValid()) {
        return;
    }
    // The plug-in chosen for each extension within this listing: the answers do not change.
    std::unordered_map<std::string, CSpiPlugin*> pluginOf;
    DWORD lastDrain = ::GetTickCount();
    do {
        const std::string name = found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (name != "." && name != "..") {
                AddDirectoryEntry(name);
            }
            continue;
        }
        const std::string upper = UpperName(name);
        const size_t dot = upper.rfind('.');  // 0x2E is never a trail byte
        if (dot == std::string::npos) {
            continue;
        }
        const std::string ext = upper.substr(dot + 1);
        LRESULT data = 0;
        if (ext != "BMP") {
            auto cached = pluginOf.find(ext);
            if (cached == pluginOf.end()) {
                cached = pluginOf.emplace(ext, FindPluginFor(ext)).first;
            }
            if (cached->second == nullptr) {
                continue;
            }
            data = reinterpret_cast<LRESULT>(cached->second);
        }
        const int index = m_listFiles.AddString(name);
        m_listFiles.SetItemData(index, data);
        if (::GetTickCount() - lastDrain >= kDrainIntervalMs) {
            if (!PumpMessages()) {
                return;
            }
            lastDrain = ::GetTickCount();
        }
    } while (::FindNextFileA(find.Get(), &found));
}

CSpiPlugin* CViewerDlg::FindPluginFor(const std::string& ext) const {
    for (int i = 0; i < m_plugins.GetSize(); ++i) {
        if (m_plugins.GetAt(i)->SupportsExtension(ext)) {
            return m_plugins.GetAt(i);
        }
    }
    return nullptr;
}

// A directory is added under a text that begins with a line feed, which sorts ahead of
// every file name, and then renamed in place to "[ name ]" without moving.
void CViewerDlg::AddDirectoryEntry(const std::string& name) {
    const int added = m_listFiles.AddString("\n " + name + " ]");
    m_listFiles.SetItemData(added, -1);
    const LRESULT data = m_listFiles.GetItemData(added);
    std::string text = m_listFiles.GetText(added);
    for (char& c : text) {
        if (c == '\n') {
            c = '[';
        }
    }
    m_listFiles.DeleteString(added);
    const int index = m_listFiles.InsertString(added, text);
    m_listFiles.SetItemData(index, data);
}

std::string CViewerDlg::BrowseForFolder(HWND owner, const std::string& initialFolder, const std::string& prompt) {
    char displayName[MAX_PATH] = {};
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = prompt.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(initialFolder.c_str());
    return fw::BrowseFolder(info);
}

std::string CViewerDlg::BrowseCurrentDirectory() {
    if (m_bListing) {
        return m_strCurDir;
    }
    const std::string chosen = BrowseForFolder(m_hWnd, m_strCurDir, kBrowsePrompt);
    if (chosen.empty()) {
        return m_strCurDir;
    }
    m_strCurDir = chosen;
    ListDirectory(m_strCurDir);
    ShowSelectedEntry();
    CClientDC dc(m_hWnd);
    DrawPicture(dc, TRUE, PictureSource::Selected());
    return m_strCurDir;
}

void CViewerDlg::OnChangeDir() {
    BrowseCurrentDirectory();
}

void CViewerDlg::ReloadDirectory() {
    if (m_bListing) {
        return;
    }
    const int selected = m_listFiles.GetCurSel();
    ListDirectory(m_strCurDir);
    const int count = m_listFiles.GetCount();
    if (selected >= 0 && count > 0) {
        m_listFiles.SetCurSel(selected >= count ? count - 1 : selected);
    }
    ShowSelectedEntry();
}

void CViewerDlg::EnterSelectedDirectory() {
    if (m_bListing || m_listFiles.GetCount() == 0) {
        return;
    }
    // The name exactly as stored on disk, blanks included.
    const std::string name = GetSelectedDirectoryNameOnDisk();
    if (name.empty()) {
        return;
    }
    m_strCurDir = AddTrailingBackslash(m_strCurDir) + name;
    ListDirectory(m_strCurDir);
    ShowSelectedEntry();
}

void CViewerDlg::GoToParentDirectory() {
    if (m_bListing) {
        return;
    }
    const std::string leaf = GetFileNamePart(RemoveTrailingBackslash(m_strCurDir));
    const std::string key = "[ " + leaf + " ]";
    m_strCurDir = GetParentDirectory(m_strCurDir);
    ListDirectory(m_strCurDir);
    const int found = m_listFiles.SelectString(-1, key);
    m_nCurIndex = found == LB_ERR ? 0 : found;
    ShowSelectedEntry();
}

bool CViewerDlg::PumpMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave it for the modal loop, so that the program still ends.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    // The window may have been closed by a message just handled.
    return m_hWnd != nullptr && IsModalRunning();
}
