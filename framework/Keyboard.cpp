#include "framework/Keyboard.h"

#include <windows.h>

namespace fw {

bool IsKeyDown(int virtualKey) {
    return (::GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

void DropWaitingKeyDowns(int virtualKey) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE) &&
           msg.wParam == static_cast<WPARAM>(virtualKey)) {
        ::PeekMessageW(&msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE);
    }
}

bool WasKeyDown(int virtualKey) {
    return (::GetKeyState(virtualKey) & 0x8000) != 0;
}

bool IsRepeatAfterRelease(int virtualKey, bool repeat) {
    return repeat && !IsKeyDown(virtualKey);
}

}  // namespace fw
