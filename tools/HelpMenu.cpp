#include "tools/HelpMenu.h"

#include "res/resource.h"
#include "tools/AboutDlg.h"
#include "tools/CommandListDlg.h"

FW_BEGIN_PART_MESSAGE_MAP(CHelpMenu)
    FW_ON_MESSAGE(WM_SYSCOMMAND, SysCommand, OnSysCommand)
    FW_ON_COMMAND(ID_MENU_VERSION, 0, OnVersionInfo)
    FW_ON_COMMAND(ID_MENU_COMMANDLIST, 0, OnCommandList)
FW_END_PART_MESSAGE_MAP()

void CHelpMenu::OnCommandList() {
    fw::CWnd owner;
    owner.Attach(m_host.OwnerWindow());
    CCommandListDlg commands(&owner);
    commands.DoModal();
}

void CHelpMenu::OnVersionInfo() {
    CAboutDlg about;
    about.DoModal();
}

fw::Handled CHelpMenu::OnSysCommand(UINT id, LPARAM) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        OnVersionInfo();
        return fw::Handled::kYes;
    }
    return fw::Handled::kNo;
}
