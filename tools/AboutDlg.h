#pragma once
#include "framework/Dialog.h"

// The version dialog.
class CAboutDlg : public fw::CDialog {
public:
    explicit CAboutDlg(fw::CWnd* parent = nullptr);
};
