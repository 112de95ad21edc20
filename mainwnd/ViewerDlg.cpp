#include "mainwnd/ViewerDlg.h"

#include "framework/DataExchange.h"
#include "framework/Gdi.h"
#include "framework/Keyboard.h"
#include "framework/Prompts.h"
#include "framework/WideText.h"
#include "framework/WinApp.h"
#include "host/WaitingKeys.h"
#include "mainwnd/AboutDlg.h"
#include "portable/PathUtil.h"
#include "res/resource.h"
#include "tools/CommandListDlg.h"

namespace {

constexpr UINT_PTR kReadAheadTimer = 1;

// Keys, clicks, posted work or another thread's message are waiting: the read-ahead
// gives way to them.
bool WorkIsWaiting() {
    return HIWORD(::GetQueueStatus(QS_KEY | QS_MOUSEBUTTON | QS_POSTMESSAGE | QS_SENDMESSAGE)) != 0;
}

// While the user holds Up or Down the selection goes on past every picture: nothing is
// decoded for it until the key is let go (then the read-ahead starts from where it stopped).
// The idle work looks again this often meanwhile.
constexpr UINT kHeldKeyRecheckMs = 50;

bool ListKeyHeld() {
    return fw::IsKeyDown(VK_UP) || fw::IsKeyDown(VK_DOWN);
}

}  // namespace

FW_BEGIN_MESSAGE_MAP(CViewerDlg, fw::CDialog)
    FW_ON_MESSAGE(WM_SYSCOMMAND, SysCommand, OnSysCommand)
    FW_ON_MESSAGE(WM_PAINT, Void, OnPaint)
    FW_ON_MESSAGE(WM_QUERYDRAGICON, Cursor, OnQueryDragIcon)
    FW_ON_MESSAGE(WM_DESTROY, Void, OnDestroy)
    FW_ON_COMMAND(IDC_CHANGEDIR, BN_CLICKED, OnChangeDir)
    FW_ON_COMMAND(IDC_FILELIST, LBN_SELCHANGE, ShowSelectedEntry)
    FW_ON_MESSAGE(WM_SIZE, Size, OnSize)
    FW_ON_MESSAGE(WM_TIMER, Timer, OnTimer)
    FW_ON_MESSAGE(WM_DPICHANGED, DpiChanged, OnDpiChanged)
    FW_ON_COMMAND(ID_MENU_VERSION, 0, OnVersionInfo)
    FW_ON_COMMAND(ID_MENU_EXIT, 0, OnExit)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kParentDirectory), 0, GoToParentDirectory)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kEnterDirectory), 0, EnterSelectedDirectory)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kBrowseDirectory), 0, OnChangeDir)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kReload), 0, ReloadDirectory)
    FW_CHAIN_MEMBER(m_pane)
    FW_CHAIN_MEMBER(m_sorting)
    FW_ON_COMMAND(ID_MENU_COMMANDLIST, 0, OnCommandList)
    FW_CHAIN_MEMBER(m_programs)
    FW_CHAIN_MEMBER(m_wallpaper)
    FW_CHAIN_MEMBER(m_sizeDelete)
    FW_CHAIN_MEMBER(m_targets)
    FW_CHAIN_MEMBER(m_rename)
    FW_CHAIN_MEMBER(m_regdirs)
    FW_CHAIN_MEMBER(m_settingsEditor)
    FW_CHAIN_MEMBER(m_undo)
FW_END_MESSAGE_MAP()

CViewerDlg::CViewerDlg(fw::CWnd* parent)
    : fw::CDialog(IDD_IXO_DIALOG, parent),
      m_hIcon(::LoadIconA(fw::AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_strCurDir(GetDirectoryPart(fw::AfxGetModuleFilePathW())),
      m_journal(CUndoJournal::DefaultPath()),
      m_pane(*this, m_plugins, m_files.ListBox()),
      m_sorting(*this, m_settings, m_files, &m_journal),
      m_programs(*this, m_settings),
      m_wallpaper(*this, m_settings, m_pane),
      m_sizeDelete(*this, *this, m_settings, m_files, m_pane, m_sorting),
      m_targets(*this, m_settings),
      m_rename(*this, &m_journal),
      m_regdirs(*this, ::GetIniFilePath()),
      m_settingsEditor(m_settings, [this] { return m_sizeDelete.IsPassRunning(); }),
      m_undo(*this, m_journal) {
    m_settings = Settings::Defaults(m_strCurDir);
    m_settings.Load(GetIniFilePath());
}

CViewerDlg::~CViewerDlg() = default;

std::wstring CViewerDlg::GetIniFilePath() const {
    return ::GetIniFilePath();
}

void CViewerDlg::DoDataExchange(fw::CDataExchange* dx) {
    fw::CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_CHANGEDIR, m_btnChangeDir);
    DDX_Control(dx, IDC_FILELIST, m_files.ListBox());
}

BOOL CViewerDlg::OnInitDialog() {
    fw::CDialog::OnInitDialog();
    m_files.KeepScrollBar();

    if (HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
        const std::string about = fw::AfxLoadString(IDS_ABOUTBOX);
        if (!about.empty()) {
            ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, about.c_str());
        }
    }
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    LoadPlugins();
    ListDirectory(m_strCurDir);
    ShowSelectedEntry();

    // The template's sizes are those of the DPI the window was made at.
    m_nTemplateDpi = m_nDpi = fw::GetWindowDpi(m_hWnd);
    const RECT listRect = m_files.ListBox().GetWindowRect();
    const RECT button = m_btnChangeDir.GetWindowRect();
    m_nColumnWidth = listRect.right - listRect.left;
    m_nButtonHeight = button.bottom - button.top;
    fw::KeepDialogGeometryOnDpiChange(m_hWnd);

    m_bLayoutReady = true;
    LayoutControls();
    return TRUE;
}

void CViewerDlg::LayoutControls() {
    const RECT client = GetClientRect();
    const int columnWidth = fw::ScaleForDpi(m_nColumnWidth, m_nDpi, m_nTemplateDpi);
    const int buttonHeight = fw::ScaleForDpi(m_nButtonHeight, m_nDpi, m_nTemplateDpi);
    m_btnChangeDir.SetWindowPos(nullptr, client.left, client.bottom - buttonHeight, columnWidth, buttonHeight,
                                SWP_NOZORDER | SWP_SHOWWINDOW);
    m_files.ListBox().SetWindowPos(nullptr, client.left, client.top, columnWidth,
                                   (client.bottom - client.top) - buttonHeight, SWP_NOZORDER | SWP_SHOWWINDOW);
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
        // The copies read ahead are scaled to the pane: scaled anew for its new size.
        ScheduleReadAhead();
    }
    Invalidate(TRUE);
}

void CViewerDlg::OnPaint() {
    fw::CPaintDC dc(m_hWnd);
    if (IsIconic()) {
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
        const RECT client = GetClientRect();
        const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        ::DrawIcon(dc, x, y, m_hIcon);
        return;
    }
    m_pane.Paint(dc);
}

void CViewerDlg::ShowSelectedEntry() {
    if (m_hWnd == nullptr) {
        return;
    }
    const int before = m_files.CurrentIndex();
    m_files.TakeSelection();
    const int now = m_files.CurrentIndex();
    // An entry that took the place of the one that left keeps the direction.
    if (now != before && now >= 0 && before >= 0) {
        m_nDirection = now < before ? -1 : 1;
    }
    // A size-judged pass shows every picture it judges only in passing, and reads none ahead.
    const bool inPassing = m_sizeDelete.IsPassRunning();
    m_pane.ShowEntry(m_files.Current(), inPassing);
    if (!inPassing) {
        ScheduleReadAhead();
    }
}

void CViewerDlg::SelectNextEntry() {
    if (m_files.SelectNext()) {
        ShowSelectedEntry();
    }
}

// Reading ahead is started from this thread, in idle time: the BMP reader reads here and
// makes its bitmap for this window's device, and a plug-in decodes on the decode thread
// while this thread waits for it. A key never waits for work it has no use for: the wait
// (or the BMP reader, at its next chunk) gives way once input arrives, unless that input is
// a key going to the very entry being read. A zero-delay timer starts it: timer messages
// come only when nothing else is queued, painting included.
void CViewerDlg::ScheduleReadAhead() {
    ::SetTimer(m_hWnd, kReadAheadTimer, USER_TIMER_MINIMUM, nullptr);
}

fw::Handled CViewerDlg::OnTimer(UINT_PTR id) {
    if (id != kReadAheadTimer) {
        return fw::Handled::kNo;
    }
    ::KillTimer(m_hWnd, kReadAheadTimer);
    ReadAheadNow();
    return fw::Handled::kYes;
}

void CViewerDlg::ReadAheadNow() {
    // A listing or a size-judged pass drains the queue while it runs: not in the middle of one.
    if (m_bListing || m_sizeDelete.IsPassRunning()) {
        return;
    }
    if (ListKeyHeld()) {
        ::SetTimer(m_hWnd, kReadAheadTimer, kHeldKeyRecheckMs, nullptr);
        return;
    }
    const int index = m_files.CurrentIndex();
    const ListEntry* ahead = m_files.At(index + m_nDirection);
    const ListEntry* behind = m_files.At(index - m_nDirection);
    const auto keepReading = [&](const ListEntry& entry) {
        if (!WorkIsWaiting()) {
            return true;
        }
        const ListEntry* picture = m_files.Current();
        const int step = picture != nullptr && !picture->IsDirectory() ? WaitingKeyStep() : 0;
        return step != 0 && &entry == (step == m_nDirection ? ahead : behind);
    };
    // The shown picture first: it is on screen, stretched until its copy is made.
    const auto nothingWaits = [] { return !WorkIsWaiting(); };
    if (WorkIsWaiting() || !m_pane.ShowPending() || !m_pane.FitShown(nothingWaits) || WorkIsWaiting() ||
        !m_pane.ReadAhead({ahead, behind}, keepReading, nothingWaits) || WorkIsWaiting()) {
        ScheduleReadAhead();  // again once the waiting work is done
        return;
    }
    // Last, as it only makes drawing the shown picture stretched again cheap.
    m_pane.MakeShownBitmap();
}

void CViewerDlg::ReportFailure(const std::string& text) {
    fw::MessageBox(m_hWnd, text, "Error", MB_OK);
}

void CViewerDlg::EnableListControls(bool enable) {
    ::EnableWindow(m_files.ListBox().GetSafeHwnd(), enable ? TRUE : FALSE);
    ::EnableWindow(m_btnChangeDir.GetSafeHwnd(), enable ? TRUE : FALSE);
}

void CViewerDlg::ShowProgress(const std::string& text) {
    ShowTitle(m_strCurDir, text);
}

void CViewerDlg::ShowTitle(const std::wstring& dir, const std::string& text) {
    SetWindowText(fw::Widen932("- IXO -" + std::string(" [")) + dir + fw::Widen932("]" + text));
}

fw::Handled CViewerDlg::OnSysCommand(UINT id, LPARAM) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        OnVersionInfo();
        return fw::Handled::kYes;
    }
    return fw::Handled::kNo;
}

void CViewerDlg::OnVersionInfo() {
    CAboutDlg about;
    about.DoModal();
}

void CViewerDlg::OnCommandList() {
    CCommandListDlg commands(this);
    commands.DoModal();
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

HCURSOR CViewerDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

void CViewerDlg::OnDestroy() {
    ::KillTimer(m_hWnd, kReadAheadTimer);
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
