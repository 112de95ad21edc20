# Portable core: these files never include <windows.h>; the host build proves it.
set(IXO_CORE_SOURCES
    commands/AutoRename.cpp
    filelist/Cp932Text.cpp
    filelist/PathUtil.cpp
    image/BmpLayout.cpp
    image/DecodeFailure.cpp
    image/DibCheck.cpp
    image/PictureInfoLayout.cpp
    image/PluginFilter.cpp
    image/PaneGeometry.cpp
    host/KeyTable.cpp
    tools/ProgramCommandLine.cpp
    tools/UrlMemo.cpp
    wallpaper/WallpaperLayout.cpp
    sizedelete/SizeJudgement.cpp
    regdirs/DirKeys.cpp
    undo/JournalText.cpp
)
list(TRANSFORM IXO_CORE_SOURCES PREPEND "${CMAKE_SOURCE_DIR}/")
