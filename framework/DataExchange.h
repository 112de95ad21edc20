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

// Binds a control wrapper to the dialog's control (again when the dialog runs anew).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);
// A code-page-932 text. A text typed into the control that the code page cannot hold
// exactly is not taken: the exchange fails with a message (CDialog::GetCodePageErrorText).
void DDX_Text(CDataExchange* dx, int id, std::string& value);
// A text as the control holds it, in UTF-16 (a file name exactly as on disk).
void DDX_Text(CDataExchange* dx, int id, std::wstring& value);
// A whole decimal number (optional sign); anything else fails the exchange with a message.
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Check(CDataExchange* dx, int id, int& value);
// A list box's selected entry by its text. From the control: the selected entry's text, or
// the empty text when nothing is selected. To the control: the first entry whose text is
// the value is selected, unless the selected entry already has that text (entries may
// share a text); with no such entry the selection stays as it is. The code-page-932 form
// fails the exchange as DDX_Text does when the selected entry's text is outside the code page.
void DDX_LBString(CDataExchange* dx, int id, std::string& value);
void DDX_LBString(CDataExchange* dx, int id, std::wstring& value);

}  // namespace fw
