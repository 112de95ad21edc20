#pragma once
// The jump dialog: the registered directories by display name, the path of the selected
// one, and the buttons that register the main window's current directory, delete a
// registration and change a display name. Every change is written to the settings file at
// once. OK leaves the selected path in SelectedPath() (empty when none is selected).
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/MessageMap.h"

class CJumpDlg : public fw::CDialog {
public:
    // `iniPath`: the settings file the registrations are read from and written to;
    // `currentDir`: the directory that "カレントを追加" registers (refused when code page 932
    // cannot hold it: the settings file could not store it).
    CJumpDlg(std::wstring iniPath, std::wstring currentDir, fw::CWnd* parent = nullptr);

    // The selected registration's path: the dialog's result.
    const std::string& SelectedPath() const { return m_strSelectedPath; }
    // Display names, sorted; each entry's item data is its key number.
    const fw::CListBox& List() const { return m_listDirs; }
    // The path of each registration, indexed by its key number.
    const std::vector<std::string>& Paths() const { return m_arrPaths; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(fw::CDataExchange* dx) override;

    void OnAddCurrent();
    void OnDelete();
    void OnSelChangeList();
    void OnChangeName();

    FW_DECLARE_MESSAGE_MAP()

private:
    // Fills the list and the paths from the settings file and selects the first entry.
    void LoadRegisteredDirs();
    // The path of a list entry through its key number; empty for an entry without one.
    std::string PathOfEntry(int index) const;

    std::wstring m_strIniPath;
    std::wstring m_strCurrentDir;
    std::vector<std::string> m_arrPaths;
    fw::CListBox m_listDirs;
    std::string m_strListText;
    // Shown below the list.
    std::string m_strSelectedPath;
};
