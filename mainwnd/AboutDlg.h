#pragma once
#include "framework/Dialog.h"

// The version dialog.
class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* parent = nullptr);
};
