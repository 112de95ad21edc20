#include "app/ViewerDlg.h"

#include "app/AboutDlg.h"
#include "filelist/PathUtil.h"
#include "framework/DataExchange.h"
#include "framework/Gdi.h"
#include "framework/WinApp.h"
#include "res/resource.h"

FW_BEGIN_MESSAGE_MAP(CViewerDlg, CDialog)
    FW_ON_MESSAGE(WM_SYSCOMMAND, SysCommand, OnSysCommand)
    FW_ON_MESSAGE(WM_PAINT, Void, OnPaint)
    FW_ON_MESSAGE(WM_QUERYDRAGICON, Cursor, OnQueryDragIcon)
    FW_ON_MESSAGE(WM_DESTROY, Void, OnDestroy)
    FW_ON_COMMAND(IDC_CHANGEDIR, BN_CLICKED, OnChangeDir)
    FW_ON_COMMAND(IDC_FILELIST, LBN_SELCHANGE, ShowSelectedEntry)
    FW_ON_MESSAGE(WM_SIZE, Size, OnSize)
    FW_ON_MESSAGE(WM_MOUSEMOVE, Mouse, OnMouseMove)
    FW_ON_MESSAGE(WM_LBUTTONDOWN, Mouse, OnLButtonDown)
    FW_ON_MESSAGE(WM_LBUTTONUP, Mouse, OnLButtonUp)
    FW_ON_COMMAND(ID_MENU_SETTINGS, 0, OnSettings)
    FW_ON_COMMAND(ID_MENU_VERSION, 0, OnVersionInfo)
    FW_ON_COMMAND(ID_MENU_EXIT, 0, OnExit)
    FW_ON_COMMAND(ID_MENU_SIZEDELETE_SETTINGS, 0, OnSizeDeleteSettings)
    FW_ON_COMMAND(ID_MENU_SIZEDELETE_ALL, 0, OnSizeDeleteAll)
    FW_ON_COMMAND(ID_MENU_COMMANDLIST, 0, OnCommandList)
    FW_ON_COMMAND(ID_MENU_SIZEDELETE_RECURSIVE, 0, OnSizeDeleteRecursive)
    FW_ON_COMMAND(ID_MENU_SIZEDELETE_RECURSIVE_MOVE, 0, OnSizeDeleteRecursiveMove)
FW_END_MESSAGE_MAP()

CViewerDlg::CViewerDlg(CWnd* parent) : CDialog(IDD_IXO_DIALOG, parent) {
    m_hIcon = ::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    m_strCurDir = GetDirectoryPart(AfxGetModuleFilePath());

    m_bSizeDeleteRunning = 0;
    m_bResizeWallPaperToScreenSize = FALSE;
    m_bAutoRenameAtMove = FALSE;
    m_bDeleteImmediate = FALSE;
    m_strOpenWindowProgram = "explorer";
    m_strUrlProgram = "explorer";
    m_strUrlMemo = "URLMemo.txt";
    m_nDeleteSmallWidth = 320;
    m_nDeleteSmallHeight = 240;
    const std::string base = AddTrailingBackslash(m_strCurDir);
    m_strMoveDir = base + "MoveDir";
    m_strCopyDir = base + "CopyDir";
    m_strTrashDir = base + "TrashDir";
    m_strWallPaperDir = base + "WallPaperDir";
    ReadSettings();

    m_nCurIndex = -1;
    m_bFitToPane = TRUE;
    m_nScrollY = m_nScrollX = 0;
    m_bLayoutReady = FALSE;
}

CViewerDlg::~CViewerDlg() = default;

void CViewerDlg::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_CHANGEDIR, m_btnChangeDir);
    DDX_Control(dx, IDC_FILELIST, m_listFiles);
}

BOOL CViewerDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    if (HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
        const std::string about = AfxLoadString(IDS_ABOUTBOX);
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

    m_bLayoutReady = TRUE;
    LayoutControls();
    return TRUE;
}

void CViewerDlg::LayoutControls() {
    const RECT client = GetClientRect();
    const RECT button = m_btnChangeDir.GetWindowRect();
    const RECT list = m_listFiles.GetWindowRect();
    const int buttonHeight = button.bottom - button.top;
    m_btnChangeDir.SetWindowPos(nullptr, client.left, client.bottom - buttonHeight, 0, 0,
                                SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    m_listFiles.SetWindowPos(nullptr, client.left, client.top, list.right - list.left,
                             (client.bottom - client.top) - buttonHeight, SWP_NOZORDER | SWP_SHOWWINDOW);
}

void CViewerDlg::OnSize(UINT, int, int) {
    Default();
    if (m_bLayoutReady) {
        LayoutControls();
    }
    Invalidate(TRUE);
}

RECT CViewerDlg::GetPaneRect() const {
    RECT pane = GetClientRect();
    const RECT window = GetWindowRect();
    const RECT list = m_listFiles.GetWindowRect();
    pane.left += list.right - window.left;
    return pane;
}

void CViewerDlg::OnPaint() {
    if (IsIconic()) {
        CPaintDC dc(m_hWnd);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
        const RECT client = GetClientRect();
        const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
        ::DrawIcon(dc, x, y, m_hIcon);
        return;
    }
    CPaintDC dc(m_hWnd);
    const int directory = IsDirectorySelected();
    DrawPicture(dc, TRUE, PictureSource::Selected());
    if (directory) {
        ShowDirectoryPreview();
    }
    Default();
}

void CViewerDlg::OnLButtonDown(UINT, POINT) {
    SetCapture();
    Default();
}

void CViewerDlg::OnLButtonUp(UINT, POINT) {
    ::ReleaseCapture();
    Default();
}

// Dragging with the left button pans a picture shown at actual size: it follows the mouse.
void CViewerDlg::OnMouseMove(UINT flags, POINT point) {
    if (flags & MK_LBUTTON) {
        ScrollPicture(m_ptLastMouse.x - point.x, m_ptLastMouse.y - point.y);
        CClientDC dc(m_hWnd);
        DrawPicture(dc, FALSE, PictureSource::Selected());
    }
    m_ptLastMouse = point;
    Default();
}

void CViewerDlg::OnSysCommand(UINT id, LPARAM) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
        return;
    }
    Default();
}

void CViewerDlg::OnVersionInfo() {
    CAboutDlg about;
    about.DoModal();
}

void CViewerDlg::OnExit() {
    DestroyWindow();
}

HCURSOR CViewerDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

void CViewerDlg::OnDestroy() {
    Default();
    WriteSettings();
    m_plugins.RemoveAll();
}

// Commands whose dialogs and passes are not part of the program yet.
void CViewerDlg::OnSettings() {}
void CViewerDlg::OnSizeDeleteSettings() {}
void CViewerDlg::OnSizeDeleteAll() {}
void CViewerDlg::OnCommandList() {}
void CViewerDlg::OnSizeDeleteRecursive() {}
void CViewerDlg::OnSizeDeleteRecursiveMove() {}
