#pragma once
// The rename dialog: one edit box with the name, OK and cancel. It checks nothing; the
// name in the box when OK is pressed is taken as it is, an empty one included.
#include <string>

#include "framework/Dialog.h"

class CRenameDlg : public fw::CDialog {
public:
    explicit CRenameDlg(fw::CWnd* parent = nullptr);

    // Shown in the edit box when the dialog opens; read back from it on OK.
    std::wstring m_strName;

protected:
    void DoDataExchange(fw::CDataExchange* dx) override;
};
