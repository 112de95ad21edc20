// The main window's plug-ins, the choice of another folder, and the message pumps of
// long loops.
#include "framework/FolderBrowser.h"
#include "framework/MessagePump.h"
#include "framework/Prompts.h"
#include "framework/WideText.h"
#include "framework/WinApp.h"
#include "mainwnd/ViewerDlg.h"
#include "portable/PathUtil.h"

namespace {

constexpr char kBrowsePrompt[] = "ディレクトリ選択\nこのディレクトリ内の画像ファイルについて操作します。";

}  // namespace

void CViewerDlg::LoadPlugins() {
    m_pane.ReleasePictures();
    m_plugins.RemoveAll();
    // Beside the program first, so that it finds its own wherever it is started from.
    m_plugins.LoadFolder(GetDirectoryPart(fw::ExecutablePath()) + L"SPI");
    m_plugins.LoadFolder(L"SPI");
}

std::wstring CViewerDlg::ChooseFolder(const std::wstring& initialFolder, const std::string& prompt) {
    return fw::BrowseForFolder(m_hWnd, initialFolder, prompt);
}

// The folder viewed is not stored: any folder will do, whatever its name.
std::wstring CViewerDlg::BrowseCurrentDirectory() {
    const std::wstring chosen = ChooseFolder(m_folder.Dir(), kBrowsePrompt);
    if (!chosen.empty()) {
        m_folder.Open(chosen);
    }
    return m_folder.Dir();
}

void CViewerDlg::OnChangeDir() {
    BrowseCurrentDirectory();
}

// A size-judged pass drains the whole queue between pictures: the close box and Alt-F4
// must reach the window, which stops the pass. Every other command is refused meanwhile.
bool CViewerDlg::KeepAlive() {
    return fw::DrainQueue(fw::Input::kHandle) && m_hWnd != nullptr && IsModalRunning();
}
