#pragma once
// Writes a held picture as a wallpaper file (wallpaper/WallpaperLayout) through a
// temporary file in the target's folder, which replaces the target only once every byte
// was written and the file closed: a failure leaves an existing target as it was.
#include <string>

#include "image/Picture.h"

// What becomes of a file already at the target.
enum class ExistingTarget {
    kReplace,  // replaced once the new file is complete, when the wallpaper keys wrote it
               // (wallpaper::IsWallpaperFile) and it is not read-only
    kKeep,     // kept: the write fails
};

// False when the picture fails the checks, a size is zero, the folder takes no new file,
// a write or the close fails, or the target cannot be replaced (a file the wallpaper keys
// did not write, a read-only file, or any file with kKeep).
bool WriteWallpaperBmp(const CPicture& picture, int screenWidth, int screenHeight, const std::wstring& target,
                       ExistingTarget existing = ExistingTarget::kReplace);
