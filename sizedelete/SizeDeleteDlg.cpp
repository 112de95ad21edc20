#include "sizedelete/SizeDeleteDlg.h"

#include "framework/DataExchange.h"
#include "framework/Prompts.h"
#include "res/resource.h"

CSizeDeleteDlg::CSizeDeleteDlg(fw::CWnd* parent) : fw::CDialog(IDD_SIZEDELETE, parent) {}

void CSizeDeleteDlg::DoDataExchange(fw::CDataExchange* dx) {
    fw::CDialog::DoDataExchange(dx);
    // The height box first: with two bad boxes the height is the one reported.
    fw::DDX_Text(dx, IDC_SIZEDELETE_HEIGHT, m_nHeight);
    fw::DDX_Text(dx, IDC_SIZEDELETE_WIDTH, m_nWidth);
}

void CSizeDeleteDlg::OnOK() {
    if (!UpdateData(DataFlow::kFromControls)) {
        return;  // the exchange has told the user and focused the box
    }
    // The width is checked first: with both at 0 only the width is named.
    if (m_nWidth <= 0) {
        fw::MessageBox(m_hWnd, "幅には、０より大きな値を設定してください。");
        return;
    }
    if (m_nHeight <= 0) {
        fw::MessageBox(m_hWnd, "高さには、０より大きな値を設定してください。");
        return;
    }
    EndDialog(IDOK);
}
