#pragma once
// Dots per inch as the viewer sees them. The program declares per-monitor awareness, so
// every coordinate it handles is a device pixel and each window has the DPI of the
// monitor it is on; the sizes it sets itself follow that DPI. The per-monitor functions
// (Windows 10 and later) are looked up at run time: older systems have none of them and
// give the screen's DPI.
#include <windows.h>

namespace fw {

// The DPI at which the layout of dialog templates and fixed sizes is written.
constexpr UINT kDefaultDpi = 96;

// The DPI a window is drawn at: its monitor's (GetDpiForWindow), else its screen's.
UINT GetWindowDpi(HWND hwnd);

// `value` pixels at `fromDpi` as pixels at `toDpi`, rounded to the nearest.
int ScaleForDpi(int value, UINT toDpi, UINT fromDpi = kDefaultDpi);

// The primary monitor's size in device pixels, whatever DPI awareness the calling thread has.
SIZE GetPrimaryScreenPixels();

// Leaves the size of a resizable dialog and the places of its controls to its own code
// when it moves to a monitor of another DPI; the dialog manager still gives the dialog
// and its controls the font for the new DPI.
void KeepDialogGeometryOnDpiChange(HWND dialog);

}  // namespace fw
