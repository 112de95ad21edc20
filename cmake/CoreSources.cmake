# Portable core: these files never include <windows.h>; the host build proves it.
set(IXO_CORE_SOURCES
    filelist/PathUtil.cpp
)
list(TRANSFORM IXO_CORE_SOURCES PREPEND "${CMAKE_SOURCE_DIR}/")
