#include "regdirs/DirNameDlg.h"

#include <utility>

#include "framework/DataExchange.h"
#include "res/resource.h"

CDirNameDlg::CDirNameDlg(std::string proposed, fw::CWnd* parent)
    : fw::CDialog(IDD_DIRNAME, parent), m_strDisplayName(std::move(proposed)) {}

void CDirNameDlg::DoDataExchange(fw::CDataExchange* dx) {
    fw::CDialog::DoDataExchange(dx);
    fw::DDX_Text(dx, IDC_DIRNAME_NAME, m_strDisplayName);
}
