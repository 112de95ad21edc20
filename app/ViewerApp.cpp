#include "app/ViewerApp.h"

#include <commctrl.h>

#include "mainwnd/ViewerDlg.h"

CViewerApp theApp;

BOOL CViewerApp::InitInstance() {
    // Loads the common controls so the dialogs' controls draw with visual styles.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    CViewerDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // The dialog has closed: end the program instead of running a message loop.
    return FALSE;
}
