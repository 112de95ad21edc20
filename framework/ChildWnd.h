#pragma once
// A child window of the program's own class, with a message map of its own (the same
// table as a dialog's: FW_BEGIN_MESSAGE_MAP(Class, fw::CChildWnd)). A message the map
// leaves unhandled gets the default window processing. The object outlives its window:
// it destroys the window when it goes.
#include <windows.h>

#include "framework/Wnd.h"

namespace fw {

class CChildWnd : public CWnd {
public:
    CChildWnd() = default;
    ~CChildWnd() override;

    // Creates the window as a child of `parent` at `rect` (the parent's client
    // coordinates), visible; false when it could not be made.
    bool Create(HWND parent, const RECT& rect);

    // The commands of another window's map, offered through its chain entry (the key
    // commands reach the main window and go on to its parts): the same map takes them. The
    // other window's own messages stay its own.
    bool ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        return msg == WM_COMMAND && OnMessage(msg, wParam, lParam, result);
    }

protected:
    // Handlers of a derived message map; true when the message was handled.
    virtual bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

}  // namespace fw
