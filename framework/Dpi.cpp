#include "framework/Dpi.h"

namespace fw {

namespace {

template <class Function>
Function User32Function(const char* name) {
    const HMODULE user32 = ::GetModuleHandleA("user32.dll");
    return user32 != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user32, name)))
                             : nullptr;
}

// Switches the calling thread to per-monitor awareness for as long as it lives, where the
// system knows thread awareness at all.
class PerMonitorThreadScope {
public:
    PerMonitorThreadScope() {
        if (kGet != nullptr && kSet != nullptr) {
            m_previous = kGet();
            kSet(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
        }
    }
    PerMonitorThreadScope(const PerMonitorThreadScope&) = delete;
    PerMonitorThreadScope& operator=(const PerMonitorThreadScope&) = delete;
    ~PerMonitorThreadScope() {
        if (m_previous != nullptr) {
            kSet(m_previous);
        }
    }

private:
    using GetContext = DPI_AWARENESS_CONTEXT(WINAPI*)();
    using SetContext = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
    static inline const GetContext kGet = User32Function<GetContext>("GetThreadDpiAwarenessContext");
    static inline const SetContext kSet = User32Function<SetContext>("SetThreadDpiAwarenessContext");
    DPI_AWARENESS_CONTEXT m_previous = nullptr;
};

}  // namespace

UINT GetWindowDpi(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow != nullptr) {
        if (const UINT dpi = getDpiForWindow(hwnd); dpi != 0) {
            return dpi;
        }
    }
    const HDC dc = ::GetDC(hwnd);
    const int dpi = dc != nullptr ? ::GetDeviceCaps(dc, LOGPIXELSX) : 0;
    if (dc != nullptr) {
        ::ReleaseDC(hwnd, dc);
    }
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

int ScaleForDpi(int value, UINT toDpi, UINT fromDpi) {
    if (fromDpi == 0 || toDpi == fromDpi) {
        return value;
    }
    return ::MulDiv(value, static_cast<int>(toDpi), static_cast<int>(fromDpi));
}

// A thread that is not per-monitor aware would be told the screen's size in the units of
// its own DPI (Windows scales it down for a program it stretches); the wallpaper needs the
// pixels the monitor really has.
SIZE GetPrimaryScreenPixels() {
    const PerMonitorThreadScope perMonitor;
    return SIZE{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

void KeepDialogGeometryOnDpiChange(HWND dialog) {
    // DDC_DISABLE_RESIZE | DDC_DISABLE_CONTROL_RELAYOUT (Windows 10 1703 and later).
    constexpr int kKeepGeometry = 0x0002 | 0x0004;
    using SetBehavior = BOOL(WINAPI*)(HWND, int, int);
    static const auto setBehavior = User32Function<SetBehavior>("SetDialogDpiChangeBehavior");
    if (setBehavior != nullptr) {
        setBehavior(dialog, kKeepGeometry, kKeepGeometry);
    }
}

}  // namespace fw
