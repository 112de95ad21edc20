#pragma once
// What the size-judged passes, which walk the list and the tree below it, ask of the main
// window beyond what every part may ask (IViewerHost). The window implements it privately.
#include <string>

class IPassHost {
public:
    // Makes the selected directory entry the current directory, lists and shows it.
    virtual void EnterSelection() = 0;
    // Lists the parent directory and selects and shows the entry of the directory left.
    virtual void LeaveDirectory() = 0;
    // Drains the message queue; false when a pass must stop (the window is closing or
    // the program is quitting).
    virtual bool KeepAlive() = 0;
    // Lets the file list and the "Change Dir" button take input, or not.
    virtual void EnableListControls(bool enable) = 0;
    // Shows `text` after the directory in the window title; the empty text restores the
    // title a listing sets.
    virtual void ShowProgress(const std::string& text) = 0;

protected:
    ~IPassHost() = default;
};
