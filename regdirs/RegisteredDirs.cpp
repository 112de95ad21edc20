#include "regdirs/RegisteredDirs.h"

#include "regdirs/JumpDlg.h"

#include "framework/WideText.h"

FW_BEGIN_PART_MESSAGE_MAP(CRegisteredDirs)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kJump), 0, JumpToRegisteredDir)
FW_END_PART_MESSAGE_MAP()

CRegisteredDirs::CRegisteredDirs(CFolder& folder, std::wstring iniPath)
    : m_folder(folder), m_strIniPath(std::move(iniPath)) {}

void CRegisteredDirs::JumpToRegisteredDir() {
    CJumpDlg dlg(m_strIniPath, m_folder.Dir());
    if (dlg.DoModal() != IDOK || dlg.SelectedPath().empty()) {
        return;
    }
    m_folder.Open(fw::Widen932(dlg.SelectedPath()));
}
