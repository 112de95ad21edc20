#pragma once
// The main window's key commands as data: which key, under which state of Shift and
// Ctrl, runs which command. Portable: the dispatcher reads the modifiers and runs the
// command; this table only decides.
#include <optional>

enum class KeyCommand {
    kNothing,             // swallowed, no action
    kWallpaperReturn,     // Return: swallowed (never closes the window)
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
};

// When a row applies, judged by the state of Shift and Ctrl at the key press.
enum class ModifierTest {
    kAny,
    kCtrlDown,
    kCtrlUp,
    kShiftDownCtrlUp,
    kShiftDownCtrlDown,
    kShiftUpCtrlDown,
};

struct KeyBinding {
    int virtualKey;
    ModifierTest test;
    KeyCommand command;
};

bool ModifiersMatch(ModifierTest test, bool shift, bool ctrl);

// The command bound to a key in this state of the modifiers; nothing when the key is
// not a command key in this state, so that it goes on to the standard handling.
std::optional<KeyCommand> LookUpKeyCommand(int virtualKey, bool shift, bool ctrl);
