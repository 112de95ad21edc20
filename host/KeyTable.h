#pragma once
// The main window's key commands as data: which key, under which state of Shift and
// Ctrl, runs which command. Portable: the dispatcher reads the modifiers and sends the
// command to the window; this table only decides.
#include <optional>

enum class KeyCommand {
    kNothing,             // swallowed, no action
    kWallpaperReturn,     // Return: the wallpaper in the Windows folder (never closes the window)
    kToggleFit,           // Space
    kParentDirectory,     // Left
    kPageUp,              // Up
    kEnterDirectory,      // Right
    kPageDown,            // Down
    kMove,                // M, Insert
    kDelete,              // Delete: directory deletion or trash move
    kCopy,                // C
    kBrowseDirectory,     // D
    kDeleteDirectory,     // Shift-K
    kKill,                // K in every other state
    kReload,              // F5
    kOpenUrlMemo,         // I
    kOpenDirWindow,       // Ctrl-W
    kWallpaperFile,       // W without Ctrl
    kWallpaperSet,        // F12
    kSizeDeleteSelected,  // Shift-Ctrl-T
    kChooseMoveDir,       // Ctrl-M, Ctrl-Insert
    kChooseCopyDir,       // Ctrl-C
    kChooseTrashDir,      // Ctrl-T
    kRename,              // R
    kJump,                // J: the registered directories
    kSettings,            // P: the settings dialog
    kUndo,                // Ctrl-Z: take the latest move or rename back
    kToggleFullScreen,    // F11: the pane alone on the whole monitor, and back
    kLeaveFullScreen,     // Escape: back from full screen (nothing in the window)
    // The nine target folders, by the digits 1 to 9 of the number row and of the keypad.
    // The command of target N is the first of its kind plus N - 1 (see TargetCommand).
    kMoveToTarget1,  // the digit: move the picture into target N
    kMoveToTarget9 = kMoveToTarget1 + 8,
    kChooseTarget1,  // Ctrl and the digit: choose target N
    kChooseTarget9 = kChooseTarget1 + 8,
    kClearTarget1,  // Shift-Ctrl and the digit: clear target N
    kClearTarget9 = kClearTarget1 + 8,
};

// How many target folders the digit keys serve.
constexpr int kTargetKeyCount = 9;

// The command of target `number` (1 to kTargetKeyCount) of the kind that `first` begins
// (kMoveToTarget1, kChooseTarget1 or kClearTarget1).
constexpr KeyCommand TargetCommand(KeyCommand first, int number) {
    return static_cast<KeyCommand>(static_cast<int>(first) + number - 1);
}
// Which target (1 to kTargetKeyCount) `command` is of the kind that `first` begins; 0 when
// it is no command of that kind.
constexpr int TargetNumberOf(KeyCommand command, KeyCommand first) {
    const int offset = static_cast<int>(command) - static_cast<int>(first);
    return offset >= 0 && offset < kTargetKeyCount ? offset + 1 : 0;
}

// When a row applies, judged by the state of Shift and Ctrl at the key press.
enum class ModifierTest {
    kAny,
    kCtrlUp,
    kShiftDownCtrlUp,
    kCtrlDown,
    kShiftDownCtrlDown,
    kCtrlDownShiftUp,
};

// The command id under which a key command reaches the main window's message map (and
// the parts chained to it), as a menu command does. Above every menu and control id.
constexpr unsigned KeyCommandId(KeyCommand command) {
    return 0xA000u + static_cast<unsigned>(command);
}
// What a key command's handler returns to let the key go on to the standard handling
// (the list box's own navigation); any other result, or no handler, swallows the key.
constexpr int kLetListHandleKey = 1;

struct KeyBinding {
    int virtualKey;
    ModifierTest test;
    KeyCommand command;
};

bool ModifiersMatch(ModifierTest test, bool shift, bool ctrl);

// The commands that move, copy or delete the selected picture's file (the digits' moves
// among them).
bool IsFileCommand(KeyCommand command);
// The commands that act on the picture shown in the pane: the file commands, the
// wallpaper and the size judgement.
bool UsesShownPicture(KeyCommand command);
// The commands whose meaning depends on the selected entry (those above, the steps through
// the list, entering a directory, renaming, the URL memo of a selected directory): each is
// carried out on the entry selected when its key was pressed.
bool ActsOnSelection(KeyCommand command);
// The commands that delete or trash the selected entry, a directory among them: a held
// key's repeats of these stop at a directory entry.
bool DeletesEntry(KeyCommand command);

// The command bound to a key in this state of the modifiers; nothing when the key is
// not a command key in this state, so that it goes on to the standard handling.
std::optional<KeyCommand> LookUpKeyCommand(int virtualKey, bool shift, bool ctrl);
