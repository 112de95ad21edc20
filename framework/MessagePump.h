#pragma once
// Draining the thread's message queue inside a long loop of the window's own thread.
#include <windows.h>

namespace fw {

enum class Input {
    kHandle,  // every message is dispatched
    kLeave,   // keys and clicks stay in the queue for the modal loop's dispatcher
};

// Dispatches what waits in the queue now. A quit message is left for the modal loop, so
// that the program still ends: false then, for the caller's loop to stop.
bool DrainQueue(Input input);

// Paints a minimised window's client area: its icon, centred, on the icon background.
void PaintIconic(HWND window, HDC dc, HICON icon);

}  // namespace fw
