#pragma once
#include <windows.h>

#include <string>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"

// The main window: the file list on the left, the picture pane on the right.
// It owns every piece of run-time state of the program.
class CViewerDlg : public CDialog {
public:
    explicit CViewerDlg(CWnd* parent = nullptr);
    ~CViewerDlg() override;

    // The full path of the settings file beside the executable.
    std::string GetIniFilePath() const;

    // Places the file list and the "Change Dir" button in the left column.
    void LayoutControls();

    // ---- Members, in the order the rest of the program knows them ----
    int m_bSizeDeleteRunning;
    BOOL m_bAutoRenameAtMove;
    std::string m_strUrlMemo;
    std::string m_strUrlProgram;
    std::string m_strOpenWindowProgram;
    std::string m_strWallPaperDir;
    BOOL m_bFitToPane;
    int m_nCurIndex;
    CButton m_btnChangeDir;
    CListBox m_listFiles;
    int m_nDeleteSmallHeight;
    int m_nDeleteSmallWidth;
    BOOL m_bResizeWallPaperToScreenSize;
    BOOL m_bDeleteImmediate;
    std::string m_strMoveDir;
    std::string m_strCopyDir;
    std::string m_strTrashDir;
    BOOL m_bLayoutReady;
    int m_nScrollY;
    int m_nScrollX;
    std::string m_strCurDir;
    HICON m_hIcon;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;

    // Message handlers
    void OnSysCommand(UINT id, LPARAM param);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnDestroy();
    void OnChangeDir();
    void OnSize(UINT type, int cx, int cy);
    void OnMouseMove(UINT flags, POINT point);
    void OnLButtonDown(UINT flags, POINT point);
    void OnLButtonUp(UINT flags, POINT point);
    void OnSettings();
    void OnVersionInfo();
    void OnExit();
    void OnSizeDeleteSettings();
    void OnSizeDeleteAll();
    void OnCommandList();
    void OnSizeDeleteRecursive();
    void OnSizeDeleteRecursiveMove();

    FW_DECLARE_MESSAGE_MAP()

private:
    void ReadSettings();
    void WriteSettings() const;
    // The picture pane: the client area right of the file list.
    RECT GetPaneRect() const;

    // The mouse position of the previous mouse move, for panning.
    POINT m_ptLastMouse{0, 0};
};
