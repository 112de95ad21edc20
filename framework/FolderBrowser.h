#pragma once
#include <windows.h>

#include <string>

namespace fw {

// The shell's folder browser for file-system folders (new dialog style, no root), opened
// with `initialFolder` selected and `prompt` (a code-page-932 text) as its title text. The
// chosen folder's path exactly, whatever its length (a drive root with its backslash, any
// other folder without one), or the empty string when the user cancels. Goes through the
// BrowseFolder prompt.
std::wstring BrowseForFolder(HWND owner, const std::wstring& initialFolder, const std::string& prompt);

}  // namespace fw
