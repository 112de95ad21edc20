#pragma once
// The settings command as a part of the main window (menu "設定" → "設定" and the P key):
// the settings dialog edits a copy of the window's settings, which is assigned back only
// when the dialog closes with OK. The file is written when the window closes, not here.
#include "framework/MessageMap.h"
#include "host/KeyTable.h"
#include "settings/Settings.h"

class CSettingsEditor {
public:
    explicit CSettingsEditor(Settings& settings) : m_settings(settings) {}
    CSettingsEditor(const CSettingsEditor&) = delete;
    CSettingsEditor& operator=(const CSettingsEditor&) = delete;

    void OnSettings();

    FW_DECLARE_PART_MESSAGE_MAP()

private:
    Settings& m_settings;
};
