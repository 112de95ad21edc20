#pragma once
// Hands the user over to other programs: the file manager on the current directory
// (Ctrl-W) and the web browser on the address noted in the URL memo beside the
// pictures (I). Both programs are configured in the settings and started with a plain
// command line; the viewer does not wait for them nor learn whether they started.
#include <string>

#include "filelist/Folder.h"
#include "framework/MessageMap.h"
#include "host/ViewerHost.h"
#include "settings/Settings.h"

class CExternalPrograms {
public:
    CExternalPrograms(IViewerHost& host, const Settings& settings, const CFolder& folder);
    CExternalPrograms(const CExternalPrograms&) = delete;
    CExternalPrograms& operator=(const CExternalPrograms&) = delete;

    // Opens the current directory, as held, in the file manager.
    void OpenCurrentDirWindow();
    // Reads the memo of the current directory, or of the selected sub-directory, and
    // opens its last non-empty line in the web browser when that line is a web address;
    // says why not otherwise.
    void OpenUrlFromMemo();

    FW_DECLARE_PART_MESSAGE_MAP()

private:
    // The directory whose memo counts: the selected sub-directory, else the current one.
    std::wstring MemoFolder() const;

    IViewerHost& m_host;
    const Settings& m_settings;
    const CFolder& m_folder;
};
