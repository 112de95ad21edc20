#include "regdirs/DirNameDlg.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

CDirNameDlg::CDirNameDlg(fw::CWnd* parent) : fw::CDialog(IDD_DIRNAME, parent) {}

void CDirNameDlg::DoDataExchange(fw::CDataExchange* dx) {
    fw::CDialog::DoDataExchange(dx);
    fw::DDX_Text(dx, IDC_DIRNAME_NAME, m_strDisplayName);
}
