#pragma once
// What a size-judged pass asks of the window while it runs: to keep still and show the
// picture it judges, to show its progress, and to stay alive between pictures. The main
// window implements it privately; the pass tests hand in a fake.
#include <string>

#include "image/Picture.h"

class IPassView {
public:
    // A pass starts (true) or has ended (false): meanwhile the list takes no input and the
    // pane shows each picture only in passing.
    virtual void PassRunning(bool running) = 0;
    // Shows the picture the pass judges now, read from `path` (empty when it could not be).
    virtual void ShowJudged(const std::wstring& path, CPicture picture) = 0;
    // Shows `text` after `dir`, the folder the pass walks, in the window title.
    virtual void ShowProgress(const std::wstring& dir, const std::string& text) = 0;
    // Drains the message queue; false when the pass must stop (the window is closing or
    // the program quitting).
    virtual bool KeepAlive() = 0;

protected:
    ~IPassView() = default;
};
