#include "regdirs/RegisteredDirs.h"

#include "regdirs/JumpDlg.h"

#include "framework/WideText.h"

FW_BEGIN_PART_MESSAGE_MAP(CRegisteredDirs)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kJump), 0, JumpToRegisteredDir)
FW_END_PART_MESSAGE_MAP()

CRegisteredDirs::CRegisteredDirs(IViewerHost& host, std::wstring iniPath)
    : m_host(host), m_strIniPath(std::move(iniPath)) {}

void CRegisteredDirs::JumpToRegisteredDir() {
    CJumpDlg dlg;
    dlg.m_strCurrentDir = m_host.CurrentDir();
    dlg.m_strIniPath = m_strIniPath;
    if (dlg.DoModal() != IDOK || dlg.m_strSelectedPath.empty()) {
        return;
    }
    m_host.GoToDirectory(fw::Widen932(dlg.m_strSelectedPath));
}
