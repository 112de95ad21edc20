#include "mainwnd/ViewerDlg.h"

#include <algorithm>

#include "framework/DataExchange.h"
#include "framework/Gdi.h"
#include "framework/MessagePump.h"
#include "framework/Prompts.h"
#include "framework/WideText.h"
#include "framework/WinApp.h"
#include "host/CommandGate.h"
#include "pane/TitleFacts.h"
#include "portable/PathUtil.h"
#include "res/resource.h"

FW_BEGIN_MESSAGE_MAP(CViewerDlg, fw::CDialog)
    FW_ON_ANY_COMMAND(OnCommandGate)
    FW_CHAIN_MEMBER(m_targetKeys)
    FW_ON_MESSAGE(WM_PAINT, Void, OnPaint)
    FW_ON_MESSAGE(WM_QUERYDRAGICON, Cursor, OnQueryDragIcon)
    FW_ON_MESSAGE(WM_DESTROY, Void, OnDestroy)
    FW_ON_COMMAND(IDC_CHANGEDIR, BN_CLICKED, OnChangeDir)
    FW_CHAIN_MEMBER(m_list)
    FW_ON_MESSAGE(WM_SIZE, Size, OnSize)
    FW_ON_MESSAGE(WM_DPICHANGED, DpiChanged, OnDpiChanged)
    FW_ON_COMMAND(ID_MENU_EXIT, 0, OnExit)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kParentDirectory), 0, OnParentDirectory)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kEnterDirectory), 0, OnEnterDirectory)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kBrowseDirectory), 0, OnChangeDir)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kReload), 0, OnReload)
    FW_CHAIN_MEMBER(m_pane)
    FW_CHAIN_MEMBER(m_sorting)
    FW_CHAIN_MEMBER(m_help)
    FW_CHAIN_MEMBER(m_programs)
    FW_CHAIN_MEMBER(m_wallpaper)
    FW_CHAIN_MEMBER(m_sizeDelete)
    FW_CHAIN_MEMBER(m_targets)
    FW_CHAIN_MEMBER(m_rename)
    FW_CHAIN_MEMBER(m_regdirs)
    FW_CHAIN_MEMBER(m_settingsEditor)
    FW_CHAIN_MEMBER(m_undo)
    FW_CHAIN_MEMBER(m_opener)
    FW_CHAIN_MEMBER(m_fullScreen)
FW_END_MESSAGE_MAP()

CViewerDlg::CViewerDlg(fw::CWnd* parent)
    : fw::CDialog(IDD_IXO_DIALOG, parent),
      m_hIcon(::LoadIconA(fw::InstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_journal(CUndoJournal::DefaultPath()),
      m_folder(m_plugins, GetDirectoryPart(fw::ExecutablePath())),
      m_list(m_folder),
      m_pane(m_folder, m_plugins),
      m_sorting(*this, m_settings, m_folder, &m_journal),
      m_help(*this),
      m_programs(*this, m_settings, m_folder),
      m_wallpaper(*this, m_settings, m_folder, m_pane),
      m_sizeDelete(*this, *this, m_settings, m_folder, m_pane, m_sorting, m_plugins),
      m_targets(*this, m_settings, m_folder),
      m_targetKeys(*this, m_settings, m_sorting, m_targets),
      m_rename(*this, m_folder, &m_journal),
      m_regdirs(m_folder, ::GetIniFilePath()),
      m_settingsEditor(m_settings),
      m_undo(*this, m_folder, m_journal),
      m_opener(*this, m_folder),
      m_fullScreen(*this, [this] {
          if (m_bLayoutReady) {
              LayoutControls();
          }
      }) {
    m_settings = Settings::Defaults(m_folder.Dir());
    m_settings.Load(GetIniFilePath());
    // The list first, so that the pane shows an entry the list shows already.
    m_folder.AddListener(m_list);
    m_folder.AddListener(m_pane);
    m_folder.AddListener(*this);
    m_pane.WatchShown([this] { ShowTitle(); });
    // A listing keeps the window painted and its timers and other threads' messages answered,
    // but leaves keys and clicks in the queue: they run through the dispatcher once the
    // listing is complete, on the entry the new list selects. The window may have been
    // closed by a message just handled.
    m_folder.SetKeepAlive(
        [this] { return fw::DrainQueue(fw::Input::kLeave) && m_hWnd != nullptr && IsModalRunning(); });
}

CViewerDlg::~CViewerDlg() = default;

void CViewerDlg::DoDataExchange(fw::CDataExchange* dx) {
    fw::CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_CHANGEDIR, m_btnChangeDir);
    DDX_Control(dx, IDC_FILELIST, m_list.ListBox());
}

BOOL CViewerDlg::OnInitDialog() {
    fw::CDialog::OnInitDialog();
    m_list.KeepScrollBar();

    if (HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
        const std::string about = fw::LoadResourceString(IDS_ABOUTBOX);
        if (!about.empty()) {
            ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, about.c_str());
        }
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    // The template's sizes are those of the DPI the window was made at.
    m_nTemplateDpi = m_nDpi = fw::GetWindowDpi(m_hWnd);
    const RECT listRect = m_list.ListBox().GetWindowRect();
    const RECT button = m_btnChangeDir.GetWindowRect();
    m_nColumnWidth = listRect.right - listRect.left;
    m_nButtonHeight = button.bottom - button.top;
    fw::KeepDialogGeometryOnDpiChange(m_hWnd);
    m_pane.Create(m_hWnd, RECT{0, 0, 0, 0});
    m_bLayoutReady = true;
    LayoutControls();

    LoadPlugins();
    m_opener.Start();
    return TRUE;
}

void CViewerDlg::LayoutControls() {
    const RECT client = GetClientRect();
    if (m_fullScreen.IsOn()) {
        LayoutFullScreen(client);
        return;
    }
    const int columnWidth = fw::ScaleForDpi(m_nColumnWidth, m_nDpi, m_nTemplateDpi);
    const int buttonHeight = fw::ScaleForDpi(m_nButtonHeight, m_nDpi, m_nTemplateDpi);
    m_btnChangeDir.SetWindowPos(nullptr, client.left, client.bottom - buttonHeight, columnWidth, buttonHeight,
                                SWP_NOZORDER | SWP_SHOWWINDOW);
    m_list.ListBox().SetWindowPos(nullptr, client.left, client.top, columnWidth,
                                  (client.bottom - client.top) - buttonHeight, SWP_NOZORDER | SWP_SHOWWINDOW);
    // The pane begins where the list's window ends.
    const RECT list = m_list.ListBox().GetWindowRect();
    const RECT window = GetWindowRect();
    const int left = std::max(static_cast<int>(client.left), static_cast<int>(list.right - window.left));
    m_pane.SetWindowPos(nullptr, left, client.top, std::max(0, static_cast<int>(client.right - left)),
                        client.bottom - client.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Moved to a monitor of another DPI: the window takes the rectangle the system suggests and
// its column the sizes of the new DPI. The picture is drawn again, not loaded again. The
// dialog manager then gives the window and its controls the font of the new DPI.
fw::Handled CViewerDlg::OnDpiChanged(UINT dpi, const RECT& suggested) {
    m_nDpi = dpi != 0 ? dpi : fw::kDefaultDpi;
    SetWindowPos(nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_bLayoutReady) {
        LayoutControls();
    }
    Invalidate(TRUE);
    return fw::Handled::kNo;
}

void CViewerDlg::OnSize(UINT, int, int) {
    if (m_bLayoutReady) {
        LayoutControls();
    }
}

// The pane paints itself; minimised, the window shows its icon.
void CViewerDlg::OnPaint() {
    const fw::CPaintDC dc(m_hWnd);
    if (IsIconic()) {
        fw::PaintIconic(m_hWnd, dc, m_hIcon);
    }
}

Activity CViewerDlg::CurrentActivity() const {
    if (m_sorting.IsDeletingTree()) {
        return Activity::kDeleting;
    }
    if (m_sizeDelete.IsPassRunning()) {
        return Activity::kPass;
    }
    return m_folder.IsListing() ? Activity::kListing : Activity::kIdle;
}

// Every command of the user passes here first: the key commands, the menu, and the
// "Change Dir" button. A command refused now is taken as handled and dropped.
fw::Handled CViewerDlg::OnCommandGate(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    const bool fromUser = lParam == 0 || (id == IDC_CHANGEDIR && HIWORD(wParam) == BN_CLICKED);
    // The title's note lasts until the next key or menu command, whoever handles it, or
    // until the user moves the list's selection.
    if (!m_strNote.empty() && (lParam == 0 || (id == IDC_FILELIST && HIWORD(wParam) == LBN_SELCHANGE))) {
        m_strNote.clear();
        ShowTitle();
    }
    return fromUser && !MayRunCommand(CurrentActivity(), id) ? fw::Handled::kYes : fw::Handled::kNo;
}

void CViewerDlg::ReportIfFailed(const OpResult& result, const std::string& text) {
    if (result.IsFailure()) {
        fw::MessageBox(m_hWnd, text, "Error", MB_OK);
    }
}

void CViewerDlg::PassRunning(bool running) {
    m_pane.SetPassing(running);
    m_list.Enable(!running);
    ::EnableWindow(m_btnChangeDir.GetSafeHwnd(), running ? FALSE : TRUE);
    // Disabling the list took the keyboard focus from it: given back for the keys.
    if (!running && m_hWnd != nullptr) {
        m_list.TakeFocus();
    }
}

void CViewerDlg::ShowTitle(const std::wstring& dir, const std::wstring& text) {
    std::wstring title = fw::Widen932("- IXO -" + std::string(" [")) + DisplayPath(dir) + L"]" + text;
    if (m_hWnd != nullptr && title != m_strTitle) {
        SetWindowText(title);
        m_strTitle = std::move(title);
    }
}

void CViewerDlg::ShowTitle() {
    ShowTitle(m_folder.Dir(), ShownFactsText() + m_strNote);
}

void CViewerDlg::OnListed() {
    m_strNote.clear();
    ShowTitle();
}

void CViewerDlg::ShowTitleNote(const std::wstring& text) {
    m_strNote = text;
    ShowTitle();
}

void CViewerDlg::ShowProgress(const std::wstring& dir, const std::string& text) {
    ShowTitle(dir, fw::Widen932(text));
}

// The pixel size is the decoded picture's, known once the pane holds it; the file's size is
// the one read with it.
std::wstring CViewerDlg::ShownFactsText() const {
    const ListEntry* entry = m_folder.Selected();
    if (entry == nullptr) {
        return std::wstring();
    }
    TitleFacts facts;
    facts.name = entry->name;
    facts.place = m_folder.SelectedIndex() + 1;
    facts.count = m_folder.Count();
    if (!entry->IsDirectory() && m_pane.ShownPath() == m_folder.PathOf(*entry)) {
        if (m_pane.HoldsPicture()) {
            const SIZE size = m_pane.ShownPictureSize();
            facts.width = size.cx;
            facts.height = size.cy;
        }
        if (const std::optional<FileStamp> stamp = m_pane.ShownStamp()) {
            facts.bytes = stamp->size;
        }
    }
    return TitleFactsText(facts);
}

// Closing while a size-judged pass runs stops the pass before its next entry; the
// window closes once the pass has ended, so the plug-ins are never unloaded under it.
// Ending the modal loop only takes effect when the pass's handler has returned.
void CViewerDlg::OnCancel() {
    m_sizeDelete.StopPass();
    fw::CDialog::OnCancel();
}

void CViewerDlg::OnExit() {
    if (m_sizeDelete.IsPassRunning()) {
        OnCancel();
        return;
    }
    DestroyWindow();
}

void CViewerDlg::OnDestroy() {
    m_fullScreen.WindowGone();
    m_settings.Save(GetIniFilePath());
    if (m_sizeDelete.IsPassRunning()) {
        // Destroyed from outside under a running pass: it stops at its next entry, and
        // the plug-ins it may still call go with the window object.
        m_sizeDelete.StopPass();
        return;
    }
    m_pane.ReleasePictures();
    m_plugins.RemoveAll();
}
