#include "regdirs/JumpDlg.h"

#include <utility>

#include "framework/DataExchange.h"
#include "regdirs/DirNameDlg.h"
#include "regdirs/RegisteredDirsFile.h"
#include "settings/Settings.h"
#include "res/resource.h"

FW_BEGIN_MESSAGE_MAP(CJumpDlg, fw::CDialog)
    FW_ON_COMMAND(IDC_JUMP_ADD_CURRENT, BN_CLICKED, OnAddCurrent)
    FW_ON_COMMAND(IDC_JUMP_DELETE, BN_CLICKED, OnDelete)
    FW_ON_COMMAND(IDC_JUMP_LIST, LBN_SELCHANGE, OnSelChangeList)
    FW_ON_COMMAND(IDC_JUMP_CHANGE_NAME, BN_CLICKED, OnChangeName)
FW_END_MESSAGE_MAP()

CJumpDlg::CJumpDlg(std::wstring iniPath, std::wstring currentDir, fw::CWnd* parent)
    : fw::CDialog(IDD_JUMP, parent), m_strIniPath(std::move(iniPath)), m_strCurrentDir(std::move(currentDir)) {}

void CJumpDlg::DoDataExchange(fw::CDataExchange* dx) {
    fw::CDialog::DoDataExchange(dx);
    fw::DDX_Control(dx, IDC_JUMP_LIST, m_listDirs);
    fw::DDX_LBString(dx, IDC_JUMP_LIST, m_strListText);
    fw::DDX_Text(dx, IDC_JUMP_SELECTED_PATH, m_strSelectedPath);
}

BOOL CJumpDlg::OnInitDialog() {
    fw::CDialog::OnInitDialog();
    LoadRegisteredDirs();
    return TRUE;
}

std::string CJumpDlg::PathOfEntry(int index) const {
    const LRESULT k = m_listDirs.GetItemData(index);
    return k >= 0 && static_cast<size_t>(k) < m_arrPaths.size() ? m_arrPaths[static_cast<size_t>(k)] : std::string();
}

void CJumpDlg::LoadRegisteredDirs() {
    m_strSelectedPath.clear();
    m_arrPaths.clear();
    m_listDirs.ResetContent();
    const std::vector<CRegisteredDirsFile::Registration> all = CRegisteredDirsFile(m_strIniPath).ReadAll();
    if (all.empty()) {
        // Nothing shown, so OK yields no path.
        ::SetDlgItemTextA(m_hWnd, IDC_JUMP_SELECTED_PATH, "");
        return;
    }
    m_listDirs.SetRedraw(FALSE);
    for (size_t k = 0; k < all.size(); ++k) {
        const int index = m_listDirs.AddString(all[k].name);
        if (index >= 0) {
            m_listDirs.SetItemData(index, static_cast<LRESULT>(k));
        }
        m_arrPaths.push_back(all[k].path);
    }
    m_listDirs.SetRedraw(TRUE);
    m_listDirs.Invalidate();
    m_listDirs.SetCurSel(0);
    m_listDirs.SetFocus();
    OnSelChangeList();
}

void CJumpDlg::OnSelChangeList() {
    const int selected = m_listDirs.GetCurSel();
    m_strSelectedPath = selected >= 0 ? PathOfEntry(selected) : std::string();
    // The list's own text goes with it, so that the exchange keeps this entry selected.
    m_strListText = selected >= 0 ? m_listDirs.GetText(selected) : std::string();
    UpdateData(DataFlow::kToControls);
}

// Registers the current directory under the name entered and closes the dialog without
// a jump.
void CJumpDlg::OnAddCurrent() {
    const std::optional<std::string> dir = StorablePath(m_hWnd, m_strCurrentDir);
    if (!dir) {
        return;
    }
    CDirNameDlg nameDlg(*dir, this);
    if (nameDlg.DoModal() != IDOK) {
        return;
    }
    const std::string name = nameDlg.Name();
    const int index = m_listDirs.AddString(name);
    const int k = static_cast<int>(m_arrPaths.size());
    m_arrPaths.push_back(*dir);
    if (index >= 0) {
        m_listDirs.SetItemData(index, k);
    }
    CRegisteredDirsFile(m_strIniPath).Add(k, {*dir, name});
    m_strSelectedPath.clear();
    EndDialog(IDCANCEL);
}

// Writes the list without the selected entry under keys renumbered from 0 in the list's
// order (by display name), then reads it back.
void CJumpDlg::OnDelete() {
    const int selected = m_listDirs.GetCurSel();
    if (selected < 0) {
        return;
    }
    const CRegisteredDirsFile file(m_strIniPath);
    const int n = file.ReadCount();
    if (n <= 0) {
        return;
    }
    std::vector<CRegisteredDirsFile::Registration> kept;
    const int count = m_listDirs.GetCount();
    for (int i = 0; i < count; ++i) {
        if (i != selected) {
            kept.push_back({PathOfEntry(i), m_listDirs.GetText(i)});
        }
    }
    file.ReplaceAll(n, kept);
    LoadRegisteredDirs();
}

// Renames the selected entry; only its own two keys are written.
void CJumpDlg::OnChangeName() {
    const int selected = m_listDirs.GetCurSel();
    if (selected < 0) {
        return;
    }
    CDirNameDlg nameDlg(m_listDirs.GetText(selected), this);
    if (nameDlg.DoModal() != IDOK) {
        return;
    }
    const LRESULT k = m_listDirs.GetItemData(selected);
    const std::string path = PathOfEntry(selected);
    m_listDirs.DeleteString(selected);
    const int index = m_listDirs.AddString(nameDlg.Name());
    if (index >= 0) {
        m_listDirs.SetItemData(index, k);
    }
    if (k >= 0) {
        CRegisteredDirsFile(m_strIniPath).Rewrite(static_cast<int>(k), {path, nameDlg.Name()});
    }
    m_listDirs.SetFocus();
    m_listDirs.SetCurSel(index);
    OnSelChangeList();
}
