#pragma once
// Whether a command may run now: the one answer, asked by the main window for every key
// command, menu command and the "Change Dir" button before any part sees it. While the
// window reads a listing or runs a size-judged pass it keeps itself alive by handling the
// messages that come meanwhile; the commands among them are refused here, except closing
// the window or the program, which ends the pass. (Keys do not even reach the gate during a listing:
// they wait in the queue and run on the new list. A pass reads Escape itself.) While the
// rest of a listing is read in idle turns the window is not busy: keys act on the entries
// listed so far, and a size-judged pass, which needs the whole list, reads the rest first.
// Portable.

// What the window is busy with.
enum class Activity {
    kIdle,
    kListing,  // a directory is being read
    kPass,     // a size-judged pass runs
    kDeleting, // the shell deletes a directory: nothing runs, not even closing the window
};

// `commandId` is the id of a menu item, a key command (KeyCommandId) or a control.
bool MayRunCommand(Activity activity, unsigned commandId);
