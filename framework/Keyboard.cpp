#include "framework/Keyboard.h"

#include <windows.h>

namespace fw {

bool IsKeyDown(int virtualKey) {
    return (::GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

bool WasKeyDown(int virtualKey) {
    return (::GetKeyState(virtualKey) & 0x8000) != 0;
}

bool IsRepeatAfterRelease(int virtualKey, bool repeat) {
    return repeat && !IsKeyDown(virtualKey);
}

}  // namespace fw
