#include "settings/SettingsEditor.h"

#include "res/resource.h"
#include "settings/SettingsDlg.h"

FW_BEGIN_PART_MESSAGE_MAP(CSettingsEditor)
    FW_ON_COMMAND(ID_MENU_SETTINGS, 0, OnSettings)
    FW_ON_COMMAND(KeyCommandId(KeyCommand::kSettings), 0, OnSettings)
FW_END_PART_MESSAGE_MAP()

void CSettingsEditor::OnSettings() {
    CSettingsDlg dlg(m_settings);
    if (dlg.DoModal() == IDOK) {
        m_settings = dlg.GetSettings();
    }
}
