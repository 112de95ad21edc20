// The main window's file list: loading the plug-ins, listing a directory, changing the
// current directory, and the message pump of long loops.
#include "framework/DirectoryEnumerator.h"
#include "framework/FolderBrowser.h"
#include "framework/Prompts.h"
#include "framework/WideText.h"
#include "mainwnd/ViewerDlg.h"
#include "portable/PathUtil.h"

namespace {

constexpr char kBrowsePrompt[] = "ディレクトリ選択\nこのディレクトリ内の画像ファイルについて操作します。";

std::wstring FullPathOf(const std::wstring& relative) {
    std::wstring full(MAX_PATH, L'\0');
    for (int round = 0; round < 2; ++round) {
        const DWORD len = ::GetFullPathNameW(relative.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (len == 0) {
            break;
        }
        if (len < full.size()) {
            full.resize(len);
            return full;
        }
        full.assign(len + 1, L'\0');
    }
    return relative;
}

}  // namespace

void CViewerDlg::LoadPlugins() {
    m_pane.ReleasePictures();
    m_plugins.RemoveAll();

    // The pattern is relative: plug-ins are looked up below the current directory.
    const std::wstring dir = AddTrailingBackslash(FullPathOf(L"SPI\\"));
    const std::wstring extension = fw::Widen932(kSpiPluginExtension);
    fw::CDirectoryEnumerator found(L"SPI\\*." + extension);
    fw::DirectoryEntry e;
    while (found.Next(e)) {
        const std::wstring path = dir + e.name;
        // The pattern also matches a longer extension through its short name (x.spix).
        if (e.isDirectory || GetExtensionUpper(path) != extension) {
            continue;
        }
        CSpiPlugin plugin;
        if (plugin.Load(path)) {
            m_plugins.Add(std::move(plugin));
        }
    }
}

void CViewerDlg::ListDirectory(const std::wstring& dir) {
    if (m_bListing) {
        return;
    }
    m_bListing = true;
    ShowTitle(dir, "");
    m_files.Clear();
    m_pane.DropReadAhead();
    m_nDirection = 1;
    if (!m_files.Fill(dir, m_plugins, [this] { return PumpMessages(); }) && m_hWnd == nullptr) {
        m_bListing = false;
        return;  // the window went away while the queue was drained
    }
    m_files.Select(0);
    m_files.SetCurrentIndex(0);
    UpdateData(DataFlow::kToControls);
    m_bListing = false;
}

std::wstring CViewerDlg::ChooseFolder(const std::wstring& initialFolder, const std::string& prompt) {
    return fw::BrowseForFolder(m_hWnd, initialFolder, prompt);
}

// The folder viewed is not stored: any folder will do, whatever its name.
std::wstring CViewerDlg::BrowseCurrentDirectory() {
    if (m_bListing) {
        return m_strCurDir;
    }
    const std::wstring chosen = ChooseFolder(m_strCurDir, kBrowsePrompt);
    if (chosen.empty()) {
        return m_strCurDir;
    }
    m_strCurDir = chosen;
    ListDirectory(m_strCurDir);
    ShowSelectedEntry();
    return m_strCurDir;
}

void CViewerDlg::GoToDirectory(const std::wstring& dir) {
    if (m_bListing) {
        return;
    }
    m_strCurDir = dir;
    ListDirectory(m_strCurDir);
    ShowSelectedEntry();
}

void CViewerDlg::OnChangeDir() {
    BrowseCurrentDirectory();
}

void CViewerDlg::ReloadDirectory() {
    if (m_bListing) {
        return;
    }
    const int selected = m_files.SelectedIndex();
    ListDirectory(m_strCurDir);
    const int count = m_files.Count();
    if (selected >= 0 && count > 0) {
        m_files.Select(selected >= count ? count - 1 : selected);
    }
    ShowSelectedEntry();
}

void CViewerDlg::ListAgainSelecting(const std::wstring& text) {
    if (m_bListing) {
        return;
    }
    ListDirectory(m_strCurDir);
    m_files.SelectText(text);
    ShowSelectedEntry();
}

void CViewerDlg::EnterSelectedDirectory() {
    const ListEntry* selected = m_files.Current();
    if (m_bListing || selected == nullptr || !selected->IsDirectory()) {
        return;
    }
    // The name exactly as stored on disk, blanks included.
    m_strCurDir = AddTrailingBackslash(m_strCurDir) + selected->name;
    ListDirectory(m_strCurDir);
    ShowSelectedEntry();
}

void CViewerDlg::GoToParentDirectory() {
    if (m_bListing) {
        return;
    }
    const std::wstring leaf = GetFileNamePart(RemoveTrailingBackslash(m_strCurDir));
    m_strCurDir = GetParentDirectory(m_strCurDir);
    ListDirectory(m_strCurDir);
    const int found = m_files.SelectDirectory(leaf);
    m_files.SetCurrentIndex(found < 0 ? 0 : found);
    ShowSelectedEntry();
}

bool CViewerDlg::PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave it for the modal loop, so that the program still ends.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    // The window may have been closed by a message just handled.
    return m_hWnd != nullptr && IsModalRunning();
}
