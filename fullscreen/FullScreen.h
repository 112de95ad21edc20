#pragma once
// Full screen: the picture pane alone on the whole monitor the main window is on, black
// around the picture, with no list, menu, button or frame; every key does what it does in
// the window. F11 (or the menu item) goes there and back, Escape back: the window returns
// as it was, at its size and place, maximised or not. The window lays itself out for the
// state this part tells (IsOn); the list keeps the keyboard focus, out of sight.
#include <windows.h>

#include <functional>

#include "framework/MessageMap.h"
#include "host/KeyTable.h"
#include "host/ViewerHost.h"

class CFullScreen {
public:
    // `layout` lays the window's controls out again for the state IsOn tells.
    CFullScreen(IViewerHost& host, std::function<void()> layout);
    CFullScreen(const CFullScreen&) = delete;
    CFullScreen& operator=(const CFullScreen&) = delete;

    bool IsOn() const { return m_bOn; }
    void Enter();
    void Leave();
    void Toggle();
    // The window is being destroyed: the menu taken from it goes too.
    void WindowGone();

    FW_DECLARE_PART_MESSAGE_MAP()

private:
    IViewerHost& m_host;
    std::function<void()> m_layout;
    bool m_bOn = false;
    // The window as it was before, given back on leaving.
    WINDOWPLACEMENT m_placement{};
    LONG_PTR m_style = 0;
    LONG_PTR m_exStyle = 0;
    HMENU m_menu = nullptr;
};
