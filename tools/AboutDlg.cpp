#include "tools/AboutDlg.h"

#include "res/resource.h"

CAboutDlg::CAboutDlg(fw::CWnd* parent) : fw::CDialog(IDD_ABOUTBOX, parent) {}
