#pragma once
// Files and folders dragged from the shell and dropped onto a window (WM_DROPFILES).
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace fw {

// Lets files be dropped onto `window`, or no longer. A drop onto a child window that takes
// none comes to the nearest parent that does.
void AcceptDroppedFiles(HWND window, bool accept = true);

// The full paths of the files and folders of a drop, exactly and in the shell's order; the
// drop is finished, its handle must not be used again. Empty when the drop names nothing
// (or shell32 cannot be had).
std::vector<std::wstring> TakeDroppedFiles(HDROP drop);

}  // namespace fw
