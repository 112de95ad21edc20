#pragma once
// The message map: a short static table per dialog that binds a message, or a
// command id with its notification code, to exactly one member function.
//
//   FW_BEGIN_MESSAGE_MAP(CViewerDlg, CDialog)
//       FW_ON_MESSAGE(WM_PAINT, Void, OnPaint)
//       FW_ON_COMMAND(IDC_CHANGEDIR, BN_CLICKED, OnChangeDir)
//   FW_END_MESSAGE_MAP()
//
// The cracker (Void, Size, Mouse, ...) unpacks wParam/lParam for the handler's signature.
#include <windows.h>
#include <windowsx.h>

#include <cstddef>

namespace fw {

template <class T>
struct MessageEntry {
    UINT message;
    UINT id;    // WM_COMMAND only: the command or control id
    UINT code;  // WM_COMMAND only: the notification code (0 for menu items)
    LRESULT (*handler)(T& self, WPARAM wParam, LPARAM lParam);
};

// Looks a message up in a map; true when an entry handled it.
template <class T, size_t N>
bool DispatchMap(const MessageEntry<T> (&map)[N], T& self, UINT msg, WPARAM wParam, LPARAM lParam,
                 LRESULT& result) {
    for (const MessageEntry<T>& e : map) {
        if (e.message != msg) {
            continue;
        }
        if (msg == WM_COMMAND && (e.id != LOWORD(wParam) || e.code != HIWORD(wParam))) {
            continue;
        }
        result = e.handler(self, wParam, lParam);
        return true;
    }
    return false;
}

namespace crack {

template <class T, void (T::*F)()>
LRESULT Void(T& t, WPARAM, LPARAM) {
    (t.*F)();
    return 0;
}

// WM_SIZE: (type, cx, cy)
template <class T, void (T::*F)(UINT, int, int)>
LRESULT Size(T& t, WPARAM w, LPARAM l) {
    (t.*F)(static_cast<UINT>(w), GET_X_LPARAM(l), GET_Y_LPARAM(l));
    return 0;
}

// Mouse messages: (key flags, client point)
template <class T, void (T::*F)(UINT, POINT)>
LRESULT Mouse(T& t, WPARAM w, LPARAM l) {
    (t.*F)(static_cast<UINT>(w), POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)});
    return 0;
}

// WM_SYSCOMMAND: (command id, lParam)
template <class T, void (T::*F)(UINT, LPARAM)>
LRESULT SysCommand(T& t, WPARAM w, LPARAM l) {
    (t.*F)(static_cast<UINT>(w), l);
    return 0;
}

// WM_QUERYDRAGICON: the cursor to show
template <class T, HCURSOR (T::*F)()>
LRESULT Cursor(T& t, WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>((t.*F)());
}

}  // namespace crack
}  // namespace fw

#define FW_DECLARE_MESSAGE_MAP() \
protected:                       \
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

#define FW_BEGIN_MESSAGE_MAP(Class, Base)                                                    \
    bool Class::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {         \
        using ThisClass = Class;                                                             \
        using BaseClass = Base;                                                              \
        static const fw::MessageEntry<Class> kMap[] = {
#define FW_ON_MESSAGE(msg, cracker, fn) {msg, 0, 0, &fw::crack::cracker<ThisClass, &ThisClass::fn>},
#define FW_ON_COMMAND(id, code, fn) {WM_COMMAND, id, code, &fw::crack::Void<ThisClass, &ThisClass::fn>},
#define FW_END_MESSAGE_MAP()                                                             \
        };                                                                                   \
        return fw::DispatchMap(kMap, *this, msg, wParam, lParam, result) ||                  \
               BaseClass::OnMessage(msg, wParam, lParam, result);                                 \
    }
