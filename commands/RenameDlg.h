#pragma once
// The rename dialog: one edit box with the name, OK and cancel. It checks nothing; the
// name in the box when OK is pressed is taken as it is, an empty one included.
#include <string>

#include "framework/Dialog.h"

class CRenameDlg : public fw::CDialog {
public:
    // `name` is shown in the edit box when the dialog opens.
    explicit CRenameDlg(std::wstring name, fw::CWnd* parent = nullptr);

    // After OK, the name in the edit box.
    const std::wstring& Name() const { return m_strName; }

protected:
    void DoDataExchange(fw::CDataExchange* dx) override;

private:
    std::wstring m_strName;
};
