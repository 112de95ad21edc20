#pragma once
// The command list: the main window's keyboard commands in a fixed text, with a close
// button. It changes nothing.
#include <string>

#include "framework/Dialog.h"

class CCommandListDlg : public fw::CDialog {
public:
    explicit CCommandListDlg(fw::CWnd* parent = nullptr);

    // The text of the list, filled when the dialog opens.
    const std::string& Text() const { return m_strText; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(fw::CDataExchange* dx) override;

private:
    std::string m_strText;
};
