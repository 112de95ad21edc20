#include "framework/Keyboard.h"

#include <windows.h>

#include <utility>

namespace fw {

bool IsKeyDown(int virtualKey) {
    return (::GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

void DropWaitingKeyDowns(int virtualKey) {
    // A key pressed while no window has the focus waits as a system key-down, and is made a
    // plain one for whichever window has the focus when it is taken: both kinds are the key's.
    const auto dropFirst = [virtualKey](UINT kind) {
        MSG msg;
        return ::PeekMessageW(&msg, nullptr, kind, kind, PM_NOREMOVE) &&
               msg.wParam == static_cast<WPARAM>(virtualKey) && ::PeekMessageW(&msg, nullptr, kind, kind, PM_REMOVE);
    };
    while (dropFirst(WM_KEYDOWN) || dropFirst(WM_SYSKEYDOWN)) {
    }
}

namespace {

// The key whose auto-repeats this thread's dialogs pass over; none when 0.
thread_local int t_blockedKey = 0;

// A dialog's loop offers each message here before it handles it; a message taken here is
// passed over.
LRESULT CALLBACK DropBlockedRepeat(int code, WPARAM wParam, LPARAM lParam) {
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == MSGF_DIALOGBOX && msg != nullptr && (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) &&
        msg->wParam == static_cast<WPARAM>(t_blockedKey) && IsRepeatKeyData(msg->lParam)) {
        return 1;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

CKeyRepeatBlock::CKeyRepeatBlock(int virtualKey)
    : m_hook(::SetWindowsHookExW(WH_MSGFILTER, DropBlockedRepeat, nullptr, ::GetCurrentThreadId())),
      m_previousKey(std::exchange(t_blockedKey, virtualKey)) {}

CKeyRepeatBlock::~CKeyRepeatBlock() {
    t_blockedKey = m_previousKey;
    if (m_hook != nullptr) {
        ::UnhookWindowsHookEx(static_cast<HHOOK>(m_hook));
    }
}

Modifiers QueuedModifiers() {
    BYTE state[256] = {};
    ::GetKeyboardState(state);
    return Modifiers{(state[VK_SHIFT] & 0x80) != 0, (state[VK_CONTROL] & 0x80) != 0};
}

// A release of the key that waits in the queue came after this repeat, even when the key has
// been pressed again since. Only the first key-up waiting is looked at; PeekMessage would
// handle a message sent from another thread on the spot, so it is not asked while one waits.
bool IsRepeatAfterRelease(int virtualKey, bool repeat) {
    if (!repeat) {
        return false;
    }
    if (!IsKeyDown(virtualKey)) {
        return true;
    }
    MSG up;
    return HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) == 0 &&
           ::PeekMessageW(&up, nullptr, WM_KEYUP, WM_KEYUP, PM_NOREMOVE | PM_NOYIELD) &&
           up.wParam == static_cast<WPARAM>(virtualKey);
}

}  // namespace fw
