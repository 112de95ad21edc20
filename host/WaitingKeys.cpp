#include "host/WaitingKeys.h"

#include <optional>

#include "framework/Keyboard.h"
#include "host/KeyTable.h"

namespace {

// The first message waiting in the range, left in the queue. PeekMessage would handle a
// message sent from another thread on the spot, so it is only asked when none is waiting.
std::optional<MSG> FirstWaiting(UINT first, UINT last) {
    MSG msg;
    if (HIWORD(::GetQueueStatus(QS_SENDMESSAGE)) != 0 ||
        !::PeekMessageW(&msg, nullptr, first, last, PM_NOREMOVE | PM_NOYIELD)) {
        return std::nullopt;
    }
    return msg;
}

bool CountsAsPress(const MSG& msg) {
    return msg.message == WM_KEYDOWN &&
           !fw::IsRepeatAfterRelease(static_cast<int>(msg.wParam), fw::IsRepeatKeyData(msg.lParam));
}

}  // namespace

int StepOfWaitingKey() {
    if (HIWORD(::GetQueueStatus(QS_MOUSEBUTTON)) != 0) {
        return 0;
    }
    const std::optional<MSG> msg = FirstWaiting(0, 0);
    if (!msg || !CountsAsPress(*msg)) {
        return 0;
    }
    // The key's own modifier state is known only once it is taken from the queue. Every
    // key message ahead of it has been taken (it is the first message waiting), so the
    // queued state, which follows the messages taken, is the state just before it was
    // pressed; the asynchronous state may already have Ctrl released.
    const fw::Modifiers modifiers = fw::QueuedModifiers();
    const KeyCommand command =
        LookUpKeyCommand(static_cast<int>(msg->wParam), modifiers.shift, modifiers.ctrl).value_or(KeyCommand::kNothing);
    switch (command) {
        case KeyCommand::kPageDown:
        case KeyCommand::kMove:
        case KeyCommand::kDelete:
        case KeyCommand::kKill:
            return 1;
        case KeyCommand::kPageUp:
            return -1;
        default:
            // A digit moves the picture into its target (or, with none set, searches the list).
            return TargetNumberOf(command, KeyCommand::kMoveToTarget1) != 0 ? 1 : 0;
    }
}

bool HeldListStepIsWaiting() {
    const std::optional<MSG> msg = FirstWaiting(WM_KEYDOWN, WM_KEYDOWN);
    return msg && (msg->wParam == VK_UP || msg->wParam == VK_DOWN) && fw::IsRepeatKeyData(msg->lParam) &&
           CountsAsPress(*msg);
}
