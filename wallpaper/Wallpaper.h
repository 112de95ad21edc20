#pragma once
// The wallpaper commands: W writes the selected picture as a BMP file with the screen's
// proportions into the wallpaper directory, F12 does the same and makes that file the
// desktop wallpaper, Return writes it into the Windows directory and makes it the
// wallpaper. The picture is the one the pane holds for the selected entry, never the
// picture's file; it is written unscaled (the setting ResizeWallPaperToScreenSize is
// carried by the settings but not consulted). W, F12 and Return replace only a file they
// wrote themselves, told by the mark in its header, never another of that name; in the
// folder being viewed, where "name.BMP" may be a picture of its own, W and F12 write only
// where the name is free.
#include <optional>
#include <string>

#include "filelist/Folder.h"
#include "framework/MessageMap.h"
#include "host/OpResult.h"
#include "host/KeyTable.h"
#include "host/ViewerHost.h"
#include "pane/PicturePane.h"
#include "settings/Settings.h"
#include "wallpaper/WallpaperWriter.h"

class CWallpaper {
public:
    CWallpaper(IViewerHost& host, const Settings& settings, const CFolder& folder, CPicturePane& pane);
    CWallpaper(const CWallpaper&) = delete;
    CWallpaper& operator=(const CWallpaper&) = delete;

    enum class Desktop { kKeep, kSet };
    // Writes the selected picture to `target`, or, with none, into the wallpaper directory
    // under the entry's name with the extension "BMP"; with kSet the file then becomes the
    // desktop wallpaper. Nothing to do when a directory or nothing is selected.
    OpResult MakeWallpaper(Desktop desktop, const std::optional<std::wstring>& target = std::nullopt);

    // The Return command's file, "WallPaperCreatedByIXO.bmp" in the Windows directory;
    // empty when the system names no such directory.
    static std::wstring WindowsDirWallpaperPath();

    FW_DECLARE_PART_MESSAGE_MAP()

private:
    // Writes the picture the pane holds for the selected entry; false when none is held.
    bool WriteHeldPicture(const ListEntry& entry, const std::wstring& target, ExistingTarget existing);

    void OnWallpaperFile();
    void OnWallpaperSet();
    void OnWallpaperReturn();

    IViewerHost& m_host;
    const Settings& m_settings;
    const CFolder& m_folder;
    CPicturePane& m_pane;
};
