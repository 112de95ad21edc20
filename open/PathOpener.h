#pragma once
// Opening a folder or a picture named from outside the window: the path the program was
// started with (by a shortcut, "Send to", "Open with", or a drop onto the program's file)
// and a folder or picture dropped onto the window. A folder is listed as the current
// directory; a picture is listed with its folder and becomes the selected, shown entry. A
// path that does not exist or cannot be listed is named in a message, and the folder
// viewed before stays (at start-up, the executable's). A drop only opens: the files
// dropped are neither moved nor copied.
#include <windows.h>

#include <string>

#include "filelist/Folder.h"
#include "framework/MessageMap.h"
#include "host/OpResult.h"
#include "host/ViewerHost.h"

class CPathOpener {
public:
    CPathOpener(IViewerHost& host, CFolder& folder);
    CPathOpener(const CPathOpener&) = delete;
    CPathOpener& operator=(const CPathOpener&) = delete;

    // The program's whole command line, as the system gives it (GetCommandLineW): its first
    // argument that is not empty names the path opened at start-up; more are left alone.
    void SetCommandLine(std::wstring commandLine) { m_commandLine = std::move(commandLine); }
    // The path the command line names (its first argument that is not empty); empty when
    // the program was started without one.
    std::wstring StartPath() const;
    // Once the window is made: it takes drops from now on, and the command line's path is
    // opened. Without one, or when it cannot be opened, the folder's own directory (the
    // executable's) is listed; a path not opened is told once the window shows.
    void Start();
    // Opens a folder or picture by its path, full or relative to the working directory.
    // Refused, with a message, when nothing is there or it cannot be listed.
    OpResult Open(const std::wstring& path);

    // The command a drop becomes, so that the window's busy gate decides on a drop as on any
    // command of the user (refused while a listing or a size-judged pass runs). Above the
    // ids of the key commands.
    static constexpr unsigned kOpenDroppedId = 0xA800;

    FW_DECLARE_PART_MESSAGE_MAP()

private:
    enum class Outcome {
        kOpened,
        kMissing,    // nothing is there: the folder was left as it was
        kNotListed,  // it could not be listed: the folder viewed before was listed again
    };
    Outcome OpenFullPath(const std::wstring& full);
    void ReportNotOpened(const std::wstring& full) const;
    void OnDropFiles(HDROP drop);
    void OnOpenDropped();
    void OnStartNotOpened();

    IViewerHost& m_host;
    CFolder& m_folder;
    std::wstring m_commandLine;
    // The first path of the drop being handled, while the gate is asked about it.
    std::wstring m_dropped;
    // The start-up path that could not be opened, until the message about it is shown.
    std::wstring m_notOpened;
};
