#pragma once
// The registered directories as a part of the main window: J opens the jump dialog on
// the settings file; OK with a selected path makes that path the current directory.
#include <string>

#include "framework/MessageMap.h"
#include "host/KeyTable.h"
#include "filelist/Folder.h"

class CRegisteredDirs {
public:
    CRegisteredDirs(CFolder& folder, std::wstring iniPath);
    CRegisteredDirs(const CRegisteredDirs&) = delete;
    CRegisteredDirs& operator=(const CRegisteredDirs&) = delete;

    // Runs the jump dialog. Registering, renaming and deleting change only the settings
    // file; OK with a path lists that path, exactly as registered, even when it no longer
    // exists.
    void JumpToRegisteredDir();

    FW_DECLARE_PART_MESSAGE_MAP()

private:
    CFolder& m_folder;
    std::wstring m_strIniPath;
};
