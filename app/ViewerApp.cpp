#include "app/ViewerApp.h"

#include <commctrl.h>

#include "mainwnd/ViewerDlg.h"

CViewerApp theApp;

BOOL CViewerApp::InitInstance() {
    // Loads the common controls so the dialogs' controls draw with visual styles.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    CViewerDlg dlg;
    // A folder or picture named on the command line (a shortcut, "Send to", "Open with", a
    // drop onto the program's file) is opened instead of the program's own folder.
    dlg.Opener().SetCommandLine(::GetCommandLineW());
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // The dialog has closed: end the program instead of running a message loop.
    return FALSE;
}
