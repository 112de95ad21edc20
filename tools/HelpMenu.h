#pragma once
// The help menu as a part of the main window: the command list (menu "ヘルプ" → "コマンド一覧")
// and the version dialog (the menu and the system menu's item).
#include "framework/MessageMap.h"
#include "host/ViewerHost.h"

class CHelpMenu {
public:
    explicit CHelpMenu(IViewerHost& host) : m_host(host) {}
    CHelpMenu(const CHelpMenu&) = delete;
    CHelpMenu& operator=(const CHelpMenu&) = delete;

    void OnCommandList();
    void OnVersionInfo();

    FW_DECLARE_PART_MESSAGE_MAP()

private:
    // The system menu's item: the version dialog; every other system command is the system's.
    fw::Handled OnSysCommand(UINT id, LPARAM param);

    IViewerHost& m_host;
};
