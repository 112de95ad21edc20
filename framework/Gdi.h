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

// A memory bitmap the size of an area of a window, drawn into off screen and then
// copied to the window in one piece. It is kept between paints and made again only
// when the area's size changes. Drawing uses the window's client coordinates.
class CBackBuffer {
public:
    CBackBuffer() = default;
    CBackBuffer(const CBackBuffer&) = delete;
    CBackBuffer& operator=(const CBackBuffer&) = delete;
    ~CBackBuffer() { Reset(); }

    // A device context covering `area` (client coordinates) of the window `target`
    // draws on; null when no bitmap could be made.
    HDC Begin(HDC target, const RECT& area) {
        const int width = area.right - area.left;
        const int height = area.bottom - area.top;
        if (width <= 0 || height <= 0) {
            return nullptr;
        }
        if (m_hDC == nullptr || width != m_width || height != m_height) {
            Reset();
            m_hDC = ::CreateCompatibleDC(target);
            m_bitmap.Reset(::CreateCompatibleBitmap(target, width, height));
            if (m_hDC == nullptr || m_bitmap.Get() == nullptr) {
                Reset();
                return nullptr;
            }
            m_hOld = ::SelectObject(m_hDC, m_bitmap.Get());
            m_width = width;
            m_height = height;
        }
        m_area = area;
        ::SetViewportOrgEx(m_hDC, -area.left, -area.top, nullptr);
        return m_hDC;
    }
    // Copies what was drawn to the same area of `target`.
    void End(HDC target) const {
        if (m_hDC != nullptr) {
            ::BitBlt(target, m_area.left, m_area.top, m_width, m_height, m_hDC, m_area.left, m_area.top, SRCCOPY);
        }
    }

private:
    void Reset() {
        if (m_hDC != nullptr) {
            if (m_hOld != nullptr) {
                ::SelectObject(m_hDC, m_hOld);
            }
            ::DeleteDC(m_hDC);
        }
        m_bitmap.Reset();
        m_hDC = nullptr;
        m_hOld = nullptr;
        m_width = m_height = 0;
    }

    HDC m_hDC = nullptr;
    HGDIOBJ m_hOld = nullptr;
    CGdiObject<HBITMAP> m_bitmap;
    RECT m_area{};
    int m_width = 0;
    int m_height = 0;
};

}  // namespace fw
