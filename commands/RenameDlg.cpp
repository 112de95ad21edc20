#include "commands/RenameDlg.h"

#include <utility>

#include "framework/DataExchange.h"
#include "res/resource.h"

CRenameDlg::CRenameDlg(std::wstring name, fw::CWnd* parent)
    : fw::CDialog(IDD_RENAME, parent), m_strName(std::move(name)) {}

void CRenameDlg::DoDataExchange(fw::CDataExchange* dx) {
    fw::CDialog::DoDataExchange(dx);
    fw::DDX_Text(dx, IDC_RENAME_NAME, m_strName);
}
