#pragma once
#include <windows.h>

#include <string>

namespace fw {

class CDialog;
class CWnd;

// One pass of data exchange between a dialog's members and its controls.
// A field that cannot be taken marks the pass failed and focuses its control;
// the dialog stays open.
class CDataExchange {
public:
    CDataExchange(CDialog* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}

    HWND PrepareCtrl(int id) const;
    void Fail(HWND control);

    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
    bool m_bFailed = false;
};

// Binds a control wrapper to the dialog's control (once).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
void DDX_Text(CDataExchange* dx, int id, std::string& value);
// A whole decimal number (optional sign); anything else fails the exchange with a message.
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Check(CDataExchange* dx, int id, int& value);

}  // namespace fw
