#pragma once
// The digit keys and the nine numbered target folders. A digit 1 to 9, of the number row
// or the keypad, moves the shown picture into target N as M moves it into the move
// folder: the same renaming, the same failure message, recorded for Ctrl-Z. A digit whose
// target is not set goes on to the list box's own search, as it would without targets.
// Ctrl and the digit choose target N in the folder browser, Shift-Ctrl and the digit clear
// it after asking; the menu "移動先" lists the nine and chooses one. After a move the
// window's title names the folder the picture went to, until the next command.
#include <windows.h>

#include <string>

#include "commands/SortingOps.h"
#include "commands/TargetChooser.h"
#include "framework/MessageMap.h"
#include "host/KeyTable.h"
#include "host/ViewerHost.h"
#include "settings/Settings.h"

class CTargetKeys {
public:
    CTargetKeys(IViewerHost& host, Settings& settings, CSortingOps& sorting, CTargetChooser& chooser);
    CTargetKeys(const CTargetKeys&) = delete;
    CTargetKeys& operator=(const CTargetKeys&) = delete;

    // Moves the selected picture into target `number` (1 to kTargetCount) and tells a
    // failure. kLetListHandleKey when that target is not set, so that the key goes on to
    // the list; 0 otherwise.
    int MoveToTarget(int number);
    // Clears target `number` when the user says yes to the question naming its folder;
    // nothing when it is not set.
    void ClearTarget(int number);
    // Writes each target's folder into its item of the targets' menu `menu`; any other
    // menu is left alone.
    void ShowTargetsIn(HMENU menu) const;

    FW_DECLARE_PART_MESSAGE_MAP()

private:
    fw::Handled OnInitMenuPopup(WPARAM wParam, LPARAM lParam);
    template <int N>
    int OnMoveTo() {
        return MoveToTarget(N);
    }
    template <int N>
    void OnChoose() {
        m_chooser.ChooseTarget(N);
    }
    template <int N>
    void OnClear() {
        ClearTarget(N);
    }
    std::string& Target(int number) { return m_settings.m_strTargetDirs[static_cast<size_t>(number - 1)]; }

    IViewerHost& m_host;
    Settings& m_settings;
    CSortingOps& m_sorting;
    CTargetChooser& m_chooser;
};
