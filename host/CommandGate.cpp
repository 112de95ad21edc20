#include "host/CommandGate.h"

#include "res/resource.h"

namespace {

// The close box, Alt-F4 and the system menu's Close (the dialog's cancel command).
constexpr unsigned kCloseWindow = 2;

}  // namespace

bool MayRunCommand(Activity activity, unsigned commandId) {
    if (activity == Activity::kDeleting) {
        return false;
    }
    return activity == Activity::kIdle || commandId == ID_MENU_EXIT || commandId == kCloseWindow;
}
