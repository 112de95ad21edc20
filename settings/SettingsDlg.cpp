#include "settings/SettingsDlg.h"

#include <commdlg.h>

#include <optional>
#include <utility>

#include "framework/DataExchange.h"
#include "framework/FolderBrowser.h"
#include "framework/Prompts.h"
#include "framework/WideText.h"
#include "res/resource.h"

namespace {

constexpr char kMoveDirPrompt[] =
    "移動先ディレクトリ選択\n'M'キーを押すと、ファイルがこのディレクトリに移動されます。";
constexpr char kTrashDirPrompt[] =
    "TRASHディレクトリ選択\n'T'キーを押すと、ファイルがこのディレクトリに移動されます。";
constexpr char kCopyDirPrompt[] =
    "コピー先ディレクトリ選択\n'C'キーを押すと、ファイルがこのディレクトリにコピーされます。";
constexpr char kWallPaperDirPrompt[] =
    "壁紙保存ディレクトリ選択\n'W'キーを押すと、ファイルがこのディレクトリにＢＭＰが作成されます。";

// The longest prefix of `text` that fits `limit` characters without splitting a
// surrogate pair.
size_t FittingPrefix(const std::wstring& text, size_t limit) {
    if (text.size() <= limit) {
        return text.size();
    }
    const bool splitsPair = limit > 0 && text[limit - 1] >= 0xD800 && text[limit - 1] <= 0xDBFF;
    return splitsPair ? limit - 1 : limit;
}

}  // namespace

FW_BEGIN_MESSAGE_MAP(CSettingsDlg, fw::CDialog)
    FW_ON_COMMAND(IDC_SET_BROWSE_MOVEDIR, BN_CLICKED, OnBrowseMoveDir)
    FW_ON_COMMAND(IDC_SET_BROWSE_TRASHDIR, BN_CLICKED, OnBrowseTrashDir)
    FW_ON_COMMAND(IDC_SET_BROWSE_COPYDIR, BN_CLICKED, OnBrowseCopyDir)
    FW_ON_COMMAND(IDC_SET_BROWSE_WALLPAPERDIR, BN_CLICKED, OnBrowseWallPaperDir)
    FW_ON_COMMAND(IDC_SET_BROWSE_OPENWINDOW_PROGRAM, BN_CLICKED, OnBrowseOpenWindowProgram)
    FW_ON_COMMAND(IDC_SET_BROWSE_URL_PROGRAM, BN_CLICKED, OnBrowseUrlProgram)
FW_END_MESSAGE_MAP()

CSettingsDlg::CSettingsDlg(const Settings& settings, fw::CWnd* parent)
    : fw::CDialog(IDD_SETTINGS, parent), m_settings(settings) {}

void CSettingsDlg::DoDataExchange(fw::CDataExchange* dx) {
    fw::CDialog::DoDataExchange(dx);
    fw::DDX_Check(dx, IDC_SET_DELETE_IMMEDIATE, m_settings.m_bDeleteImmediate);
    fw::DDX_Text(dx, IDC_SET_MOVEDIR, m_settings.m_strMoveDir);
    fw::DDX_Text(dx, IDC_SET_TRASHDIR, m_settings.m_strTrashDir);
    fw::DDX_Text(dx, IDC_SET_COPYDIR, m_settings.m_strCopyDir);
    fw::DDX_Text(dx, IDC_SET_WALLPAPERDIR, m_settings.m_strWallPaperDir);
    fw::DDX_Check(dx, IDC_SET_RESIZE_WALLPAPER, m_settings.m_bResizeWallPaperToScreenSize);
    fw::DDX_Text(dx, IDC_SET_OPENWINDOW_PROGRAM, m_settings.m_strOpenWindowProgram);
    fw::DDX_Text(dx, IDC_SET_URLMEMO, m_settings.m_strUrlMemo);
    fw::DDX_Text(dx, IDC_SET_URL_PROGRAM, m_settings.m_strUrlProgram);
    fw::DDX_Check(dx, IDC_SET_AUTORENAME, m_settings.m_bAutoRenameAtMove);
    fw::DDX_Check(dx, IDC_SET_TRASH_IDENTICAL, m_settings.m_bTrashIdentical);
}

void CSettingsDlg::BrowseFolderInto(std::string& member, int editId, const char* prompt) {
    // A folder that code page 932 cannot hold is refused: the setting is kept in that code
    // page, where it would name another folder.
    const std::wstring chosen = fw::BrowseForFolder(m_hWnd, fw::Widen932(member), prompt);
    if (!chosen.empty()) {
        member = StorablePath(m_hWnd, chosen).value_or(member);
    }
    // After a cancel this puts the member back over anything typed by hand.
    ::SetDlgItemTextW(m_hWnd, editId, fw::Widen932(member).c_str());
}

void CSettingsDlg::ChooseProgramInto(std::string& member, int editId) {
    wchar_t file[MAX_PATH] = {};
    const std::wstring initial = fw::Widen932(member);
    initial.copy(file, FittingPrefix(initial, MAX_PATH - 1));
    OPENFILENAMEW info{};
    info.lStructSize = sizeof info;
    // Owned by this dialog, as the platform's file dialog takes the active window.
    info.hwndOwner = m_hWnd;
    info.lpstrFile = file;
    info.nMaxFile = MAX_PATH;
    info.Flags = OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
    if (!fw::GetOpenFileName(info)) {
        return;
    }
    // A program that code page 932 cannot name is refused, as a folder is.
    std::optional<std::string> chosen = StorablePath(m_hWnd, file);
    if (!chosen) {
        return;
    }
    member = std::move(*chosen);
    ::SetDlgItemTextW(m_hWnd, editId, fw::Widen932(member).c_str());
}

void CSettingsDlg::OnBrowseMoveDir() {
    BrowseFolderInto(m_settings.m_strMoveDir, IDC_SET_MOVEDIR, kMoveDirPrompt);
}

void CSettingsDlg::OnBrowseTrashDir() {
    BrowseFolderInto(m_settings.m_strTrashDir, IDC_SET_TRASHDIR, kTrashDirPrompt);
}

void CSettingsDlg::OnBrowseCopyDir() {
    BrowseFolderInto(m_settings.m_strCopyDir, IDC_SET_COPYDIR, kCopyDirPrompt);
}

void CSettingsDlg::OnBrowseWallPaperDir() {
    BrowseFolderInto(m_settings.m_strWallPaperDir, IDC_SET_WALLPAPERDIR, kWallPaperDirPrompt);
}

void CSettingsDlg::OnBrowseOpenWindowProgram() {
    ChooseProgramInto(m_settings.m_strOpenWindowProgram, IDC_SET_OPENWINDOW_PROGRAM);
}

void CSettingsDlg::OnBrowseUrlProgram() {
    ChooseProgramInto(m_settings.m_strUrlProgram, IDC_SET_URL_PROGRAM);
}
