#pragma once
// Choosing the sorting targets from the keyboard: where M moves, where C copies, where
// Delete sends a picture, and the nine numbered targets the digit keys move into. Each
// chooser opens the folder browser on the present target with a prompt saying what the
// key does, and keeps the folder the user picks; the window writes it to the settings file
// when it closes.
#include <string>

#include "filelist/Folder.h"
#include "framework/MessageMap.h"
#include "host/KeyTable.h"
#include "host/ViewerHost.h"
#include "settings/Settings.h"

class CTargetChooser {
public:
    CTargetChooser(IViewerHost& host, Settings& settings, CFolder& folder);
    CTargetChooser(const CTargetChooser&) = delete;
    CTargetChooser& operator=(const CTargetChooser&) = delete;

    void ChooseMoveDir();
    void ChooseCopyDir();
    void ChooseTrashDir();
    // Target `number` (1 to kTargetCount); an unset one is chosen starting from the folder
    // viewed.
    void ChooseTarget(int number);

    FW_DECLARE_PART_MESSAGE_MAP()

private:
    // Replaces `target` by the folder chosen in the browser, opened at `initial`; on a
    // cancel, or a folder the settings file cannot hold, nothing changes.
    void Choose(std::string& target, const std::wstring& initial, const std::string& prompt);

    IViewerHost& m_host;
    CFolder& m_folder;
    Settings& m_settings;
};
