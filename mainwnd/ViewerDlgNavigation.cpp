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

// Plug-ins are code: they are loaded from SPI\ beside the program. SPI\ below the working
// directory counts only where none stands beside the program and the program was started
// without a path, as when it is started from its own folder by hand; a start by a path
// ("Open with", "Send to", a drop onto the program's file) comes with whatever folder the
// starter was in, a download's perhaps, and never loads code from there.
void CViewerDlg::LoadPlugins() {
    m_pane.ReleasePictures();
    m_plugins.RemoveAll();
    const std::wstring beside = GetDirectoryPart(fw::ExecutablePath()) + L"SPI";
    const DWORD attributes = ::GetFileAttributesW(beside.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        m_plugins.LoadFolder(beside);
    } else if (m_opener.StartPath().empty()) {
        m_plugins.LoadFolder(L"SPI");
    }
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
