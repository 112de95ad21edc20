#include "framework/Desktop.h"

#include <windows.h>

#include <utility>

#include "framework/WideText.h"

namespace fw {
namespace {
WallpaperResponder g_wallpaper;
}  // namespace

bool SetDesktopWallpaper(const std::wstring& path) {
    if (g_wallpaper) {
        return g_wallpaper(path);
    }
    // The system takes the path as writable memory, though it only reads it.
    std::wstring copy = path;
    return ::SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, copy.data(), SPIF_UPDATEINIFILE) != FALSE;
}

void SetWallpaperResponder(WallpaperResponder responder) {
    g_wallpaper = std::move(responder);
}

}  // namespace fw
