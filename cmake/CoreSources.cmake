# Portable core: these files never include <windows.h>; the host build proves it.
set(IXO_CORE_SOURCES
    portable/Cp932Text.cpp
    portable/PathUtil.cpp
    portable/CommandLine.cpp
    image/BmpLayout.cpp
    image/DecodeFailure.cpp
    image/DibCheck.cpp
    image/PictureInfoLayout.cpp
    image/PluginFilter.cpp
    image/PaneGeometry.cpp
    image/Resample.cpp
    host/CommandGate.cpp
    host/KeyTable.cpp
    host/WheelNotches.cpp
    pane/TitleFacts.cpp
    commands/AutoRename.cpp
    tools/ProgramCommandLine.cpp
    tools/UrlMemo.cpp
    wallpaper/WallpaperLayout.cpp
    sizedelete/SizeJudgement.cpp
    regdirs/DirKeys.cpp
    undo/JournalText.cpp
    open/ArgumentPath.cpp
)
list(TRANSFORM IXO_CORE_SOURCES PREPEND "${CMAKE_SOURCE_DIR}/")
