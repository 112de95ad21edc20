#include "commands/RenameDlg.h"

#include "framework/DataExchange.h"
#include "res/resource.h"

CRenameDlg::CRenameDlg(fw::CWnd* parent) : fw::CDialog(IDD_RENAME, parent) {}

void CRenameDlg::DoDataExchange(fw::CDataExchange* dx) {
    fw::CDialog::DoDataExchange(dx);
    fw::DDX_Text(dx, IDC_RENAME_NAME, m_strName);
}
