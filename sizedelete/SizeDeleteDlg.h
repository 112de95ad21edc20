#pragma once
// The threshold dialog of size-judged deletion: the width and the height below which a
// picture is deleted. The caller sets both before the dialog opens and reads them back
// after it closed with OK; OK keeps the dialog open until both are greater than 0.
#include "framework/Dialog.h"

class CSizeDeleteDlg : public fw::CDialog {
public:
    explicit CSizeDeleteDlg(fw::CWnd* parent = nullptr);

    int m_nWidth = 0;
    int m_nHeight = 0;

protected:
    void DoDataExchange(fw::CDataExchange* dx) override;
    void OnOK() override;
};
