#pragma once
// The jump dialog: the registered directories by display name, the path of the selected
// one, and the buttons that register the main window's current directory, delete a
// registration and change a display name. Every change is written to the settings file at
// once. OK leaves the selected path in m_strSelectedPath (empty when none is selected).
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"

class CJumpDlg : public fw::CDialog {
public:
    explicit CJumpDlg(fw::CWnd* parent = nullptr);

    // Set by the caller before the dialog runs.
    std::wstring m_strIniPath;
    // The path of each registration, indexed by its key number.
    std::vector<std::string> m_arrPaths;
    // Set by the caller: the directory that "カレントを追加" registers (refused when code
    // page 932 cannot hold it: the settings file could not store it).
    std::wstring m_strCurrentDir;
    // Display names, sorted; each entry's item data is its key number.
    fw::CListBox m_listDirs;
    std::string m_strListText;
    // The selected registration's path, shown below the list; the dialog's result.
    std::string m_strSelectedPath;

    // Fills the list and the paths from the settings file and selects the first entry.
    void LoadRegisteredDirs();

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(fw::CDataExchange* dx) override;

    void OnAddCurrent();
    void OnDelete();
    void OnSelChangeList();
    void OnChangeName();

    FW_DECLARE_MESSAGE_MAP()

private:
    // The path of a list entry through its key number; empty for an entry without one.
    std::string PathOfEntry(int index) const;
};
