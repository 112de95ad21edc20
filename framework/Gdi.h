#pragma once
// Owners of device contexts and GDI objects. None is copyable; each releases
// exactly what it acquired, on every path.
#include <windows.h>

#include <utility>

namespace fw {

// BeginPaint/EndPaint for one WM_PAINT.
class CPaintDC {
public:
    explicit CPaintDC(HWND hwnd) : m_hWnd(hwnd) { m_hDC = ::BeginPaint(hwnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }
    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// The device context of a window's client area (GetDC/ReleaseDC).
class CClientDC {
public:
    explicit CClientDC(HWND hwnd) : m_hWnd(hwnd), m_hDC(::GetDC(hwnd)) {}
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    ~CClientDC() {
        if (m_hDC != nullptr) {
            ::ReleaseDC(m_hWnd, m_hDC);
        }
    }
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// A memory device context compatible with another one.
class CMemoryDC {
public:
    explicit CMemoryDC(HDC compatibleWith) : m_hDC(::CreateCompatibleDC(compatibleWith)) {}
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;
    ~CMemoryDC() {
        if (m_hDC != nullptr) {
            ::DeleteDC(m_hDC);
        }
    }
    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

private:
    HDC m_hDC;
};

// Selects an object into a device context and selects the previous one back on destruction.
class CSelectObject {
public:
    CSelectObject(HDC hdc, HGDIOBJ object) : m_hDC(hdc), m_hOld(::SelectObject(hdc, object)) {}
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;
    ~CSelectObject() {
        if (m_hOld != nullptr && m_hOld != HGDI_ERROR) {
            ::SelectObject(m_hDC, m_hOld);
        }
    }
    HGDIOBJ GetOld() const { return m_hOld; }

private:
    HDC m_hDC;
    HGDIOBJ m_hOld;
};

// Owns a GDI object (bitmap, palette, brush, ...) and deletes it.
template <class H>
class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(H handle) : m_handle(handle) {}
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    CGdiObject(CGdiObject&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.m_handle, nullptr));
        }
        return *this;
    }
    ~CGdiObject() { Reset(); }
    void Reset(H handle = nullptr) {
        if (m_handle != nullptr) {
            ::DeleteObject(m_handle);
        }
        m_handle = handle;
    }
    // Gives up ownership without deleting the object.
    H Release() { return std::exchange(m_handle, nullptr); }
    H Get() const { return m_handle; }
    operator H() const { return m_handle; }

private:
    H m_handle = nullptr;
};

// Whether some of the window's client area waits to be painted: asked for the update
// region rather than its rectangle, which under Wine takes the system one round trip
// instead of two. Without a region to ask with, the answer is yes.
inline bool WaitsToBePainted(HWND hwnd) {
    const CGdiObject<HRGN> update(::CreateRectRgn(0, 0, 0, 0));
    return update.Get() == nullptr || ::GetUpdateRgn(hwnd, update.Get(), FALSE) != NULLREGION;
}

}  // namespace fw
