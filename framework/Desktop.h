#pragma once
// Every change of the desktop goes through one function each, so that a test can record
// it in-process instead of changing the machine's desktop. A responder installed here
// replaces the real change; with none installed (the program as shipped) the system's
// setting is changed.
#include <functional>
#include <string>

namespace fw {

// Makes the BMP file at `path` the desktop wallpaper and keeps it in the user's profile;
// true when the system took it. The path exactly, or in code page 932.
bool SetDesktopWallpaper(const std::wstring& path);

using WallpaperResponder = std::function<bool(const std::wstring& path)>;
void SetWallpaperResponder(WallpaperResponder responder);

}  // namespace fw
