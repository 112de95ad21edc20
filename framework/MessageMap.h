#pragma once
// The message map: a short static table per dialog that binds a message, or a
// command id with its notification code, to exactly one member function.
//
//   FW_BEGIN_MESSAGE_MAP(CViewerDlg, CDialog)
//       FW_ON_MESSAGE(WM_PAINT, Void, OnPaint)
//       FW_ON_COMMAND(IDC_CHANGEDIR, BN_CLICKED, OnChangeDir)
//       FW_CHAIN_MEMBER(m_pane)
//   FW_END_MESSAGE_MAP()
//
// The cracker (Void, Size, Mouse, ...) unpacks wParam/lParam for the handler's signature.
// A handler that returns fw::Handled::kNo leaves the message to the dialog manager's
// default processing. A chain entry offers the message to a member object that has a
// message map of its own (FW_BEGIN_PART_MESSAGE_MAP), so that a part of a window takes
// its own commands; entries are tried in table order.
#include <windows.h>
#include <shellapi.h>
#include <windowsx.h>

#include <cstddef>
#include <type_traits>

namespace fw {

// What a handler tells the map: kNo passes the message on to the default processing.
enum class Handled { kYes, kNo };

// The id of an entry that takes every WM_COMMAND, whatever its id and code.
constexpr UINT kAnyCommand = 0xFFFFFFFFu;

template <class T>
struct MessageEntry {
    UINT message;
    UINT id;    // WM_COMMAND only: the command or control id
    UINT code;  // WM_COMMAND only: the notification code (0 for menu items)
    bool (*handler)(T& self, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Set for a chain entry: offers every message to a member's own map.
    bool (*chain)(T& self, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
};

// Looks a message up in a map; true when an entry handled it.
template <class T, size_t N>
bool DispatchMap(const MessageEntry<T> (&map)[N], T& self, UINT msg, WPARAM wParam, LPARAM lParam,
                 LRESULT& result) {
    for (const MessageEntry<T>& e : map) {
        if (e.chain != nullptr) {
            if (e.chain(self, msg, wParam, lParam, result)) {
                return true;
            }
            continue;
        }
        if (e.message != msg) {
            continue;
        }
        if (msg == WM_COMMAND && e.id != kAnyCommand && (e.id != LOWORD(wParam) || e.code != HIWORD(wParam))) {
            continue;
        }
        if (e.handler(self, wParam, lParam, result)) {
            return true;
        }
    }
    return false;
}

namespace crack {

// Runs a handler and turns what it returns into "handled" and a message result.
template <class Call>
bool Run(Call&& call, LRESULT& result) {
    using R = decltype(call());
    if constexpr (std::is_void_v<R>) {
        call();
        result = 0;
        return true;
    } else if constexpr (std::is_same_v<R, Handled>) {
        result = 0;
        return call() == Handled::kYes;
    } else if constexpr (std::is_pointer_v<R>) {
        result = reinterpret_cast<LRESULT>(call());
        return true;
    } else {
        result = static_cast<LRESULT>(call());
        return true;
    }
}

template <class T, auto F>
bool Void(T& t, WPARAM, LPARAM, LRESULT& result) {
    return Run([&] { return (t.*F)(); }, result);
}

// WM_SIZE: (type, cx, cy)
template <class T, auto F>
bool Size(T& t, WPARAM w, LPARAM l, LRESULT& result) {
    return Run([&] { return (t.*F)(static_cast<UINT>(w), GET_X_LPARAM(l), GET_Y_LPARAM(l)); }, result);
}

// Mouse messages: (key flags, client point)
template <class T, auto F>
bool Mouse(T& t, WPARAM w, LPARAM l, LRESULT& result) {
    return Run([&] { return (t.*F)(static_cast<UINT>(w), POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)}); }, result);
}

// WM_SYSCOMMAND: (command id, lParam)
template <class T, auto F>
bool SysCommand(T& t, WPARAM w, LPARAM l, LRESULT& result) {
    return Run([&] { return (t.*F)(static_cast<UINT>(w), l); }, result);
}

// WM_COMMAND seen whole: (wParam, lParam)
template <class T, auto F>
bool Command(T& t, WPARAM w, LPARAM l, LRESULT& result) {
    return Run([&] { return (t.*F)(w, l); }, result);
}

// WM_TIMER: (timer id)
template <class T, auto F>
bool Timer(T& t, WPARAM w, LPARAM, LRESULT& result) {
    return Run([&] { return (t.*F)(static_cast<UINT_PTR>(w)); }, result);
}

// WM_DPICHANGED: (the window's new DPI, the rectangle the system suggests for it)
template <class T, auto F>
bool DpiChanged(T& t, WPARAM w, LPARAM l, LRESULT& result) {
    return Run([&] { return (t.*F)(static_cast<UINT>(LOWORD(w)), *reinterpret_cast<const RECT*>(l)); }, result);
}

// WM_DROPFILES: (the drop, which the handler finishes)
template <class T, auto F>
bool DropFiles(T& t, WPARAM w, LPARAM, LRESULT& result) {
    return Run([&] { return (t.*F)(reinterpret_cast<HDROP>(w)); }, result);
}

// WM_QUERYDRAGICON: the cursor to show
template <class T, auto F>
bool Cursor(T& t, WPARAM, LPARAM, LRESULT& result) {
    return Run([&] { return (t.*F)(); }, result);
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
#define FW_ON_MESSAGE(msg, cracker, fn) {msg, 0, 0, &fw::crack::cracker<ThisClass, &ThisClass::fn>, nullptr},
#define FW_ON_COMMAND(id, code, fn) {WM_COMMAND, id, code, &fw::crack::Void<ThisClass, &ThisClass::fn>, nullptr},
// Every WM_COMMAND, before the entries after it: (wParam, lParam).
#define FW_ON_ANY_COMMAND(fn) {WM_COMMAND, fw::kAnyCommand, 0, &fw::crack::Command<ThisClass, &ThisClass::fn>, nullptr},
#define FW_CHAIN_MEMBER(member)                                                              \
    {0, 0, 0, nullptr,                                                                       \
     [](ThisClass& self, UINT m, WPARAM w, LPARAM l, LRESULT& r) { return self.member.ProcessMessage(m, w, l, r); }},
#define FW_END_MESSAGE_MAP()                                                             \
        };                                                                                   \
        return fw::DispatchMap(kMap, *this, msg, wParam, lParam, result) ||                  \
               BaseClass::OnMessage(msg, wParam, lParam, result);                                 \
    }

// The map of a member object that takes its own messages through a window's chain entry.
#define FW_DECLARE_PART_MESSAGE_MAP() \
public:                               \
    bool ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

#define FW_BEGIN_PART_MESSAGE_MAP(Class)                                                     \
    bool Class::ProcessMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {    \
        using ThisClass = Class;                                                             \
        static const fw::MessageEntry<Class> kMap[] = {
#define FW_END_PART_MESSAGE_MAP()                                                        \
        };                                                                                   \
        return fw::DispatchMap(kMap, *this, msg, wParam, lParam, result);                    \
    }
