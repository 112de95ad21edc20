#include "framework/Keyboard.h"

#include <windows.h>

namespace fw {

bool IsKeyDown(int virtualKey) {
    return (::GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

void DropWaitingKeyDowns(int virtualKey) {
    // A key pressed while no window has the focus waits as a system key-down, and is made a
    // plain one for whichever window has the focus when it is taken: both kinds are the key's.
    const auto dropFirst = [virtualKey](UINT kind) {
        MSG msg;
        return ::PeekMessageW(&msg, nullptr, kind, kind, PM_NOREMOVE) && msg.wParam == static_cast<WPARAM>(virtualKey) &&
               ::PeekMessageW(&msg, nullptr, kind, kind, PM_REMOVE);
    };
    while (dropFirst(WM_KEYDOWN) || dropFirst(WM_SYSKEYDOWN)) {
    }
}

bool WasKeyDown(int virtualKey) {
    return (::GetKeyState(virtualKey) & 0x8000) != 0;
}

bool IsRepeatAfterRelease(int virtualKey, bool repeat) {
    return repeat && !IsKeyDown(virtualKey);
}

}  // namespace fw
