#pragma once
// The settings dialog: the four target directories, the two programs the viewer starts,
// the URL memo file name and four switches, edited on a copy of the settings. The
// directories have folder browsers, the programs file-open dialogs; nothing is checked.
#include <string>

#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "settings/Settings.h"

class CSettingsDlg : public fw::CDialog {
public:
    explicit CSettingsDlg(const Settings& settings, fw::CWnd* parent = nullptr);

    // The values the dialog holds: after OK, as the user left them.
    const Settings& GetSettings() const { return m_settings; }

protected:
    void DoDataExchange(fw::CDataExchange* dx) override;

    void OnBrowseMoveDir();
    void OnBrowseTrashDir();
    void OnBrowseCopyDir();
    void OnBrowseWallPaperDir();
    void OnBrowseOpenWindowProgram();
    void OnBrowseUrlProgram();

    FW_DECLARE_MESSAGE_MAP()

private:
    // Opens the folder browser at the member's value (not at text typed into its box) and
    // puts the member, chosen or kept, into the box.
    void BrowseFolderInto(std::string& member, int editId, const char* prompt);
    // The file-open dialog on the member's value; a chosen file replaces the member and
    // its box, a cancel leaves both alone.
    void ChooseProgramInto(std::string& member, int editId);

    Settings m_settings;
};
