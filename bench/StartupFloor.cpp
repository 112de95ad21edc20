// The least a viewer does from its start to its first picture: registers a window class,
// reads a 24-bit BMP whole, opens a window whose client area is the given size and paints
// the picture into it, fitted and centred on black, with the display's own stretch.
//
//   StartupFloor <picture.bmp> <client width> <client height>
//
// Ends with 1 when the picture is not a BMP it can paint, 0 when its window is closed.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Picture {
    std::vector<uint8_t> file;
    const BITMAPINFO* info = nullptr;
    const uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;  // rows, whichever way they run
};

Picture g_picture;

uint32_t ReadU32(const uint8_t* p) {
    return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// Only what GDI draws as it is: BI_RGB, 24 bits, every row inside the file.
bool ReadBmp(const char* path, Picture* out) {
    HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                                nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    LARGE_INTEGER size{};
    bool ok = ::GetFileSizeEx(file, &size) && size.QuadPart >= 54 && size.QuadPart < (1LL << 30);
    if (ok) {
        out->file.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = ::ReadFile(file, out->file.data(), static_cast<DWORD>(out->file.size()), &read, nullptr) &&
             read == out->file.size();
    }
    ::CloseHandle(file);
    if (!ok || out->file[0] != 'B' || out->file[1] != 'M') {
        return false;
    }
    const uint8_t* f = out->file.data();
    const uint64_t offset = ReadU32(f + 10);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(f + 14);
    if (header->biSize < 40 || header->biBitCount != 24 || header->biCompression != BI_RGB || header->biWidth <= 0 ||
        header->biHeight == 0 || header->biHeight == INT32_MIN) {
        return false;
    }
    const uint64_t rows = static_cast<uint64_t>(header->biHeight < 0 ? -header->biHeight : header->biHeight);
    const uint64_t stride = (static_cast<uint64_t>(header->biWidth) * 3 + 3) / 4 * 4;
    if (14 + uint64_t{header->biSize} > offset || offset > out->file.size() ||
        rows * stride > out->file.size() - offset) {
        return false;
    }
    out->info = reinterpret_cast<const BITMAPINFO*>(header);
    out->bits = f + offset;
    out->width = header->biWidth;
    out->height = static_cast<int>(rows);
    return true;
}

void Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd, &ps);
    RECT client;
    ::GetClientRect(hwnd, &client);
    const int cw = client.right, ch = client.bottom;
    // Shrunk to fit when larger than the window, 1:1 otherwise; centred.
    int w = g_picture.width, h = g_picture.height;
    if (w > cw || h > ch) {
        if (int64_t{w} * ch > int64_t{h} * cw) {
            h = static_cast<int>(int64_t{h} * cw / w), w = cw;
        } else {
            w = static_cast<int>(int64_t{w} * ch / h), h = ch;
        }
    }
    const int x = (cw - w) / 2, y = (ch - h) / 2;
    ::SetStretchBltMode(dc, COLORONCOLOR);
    ::StretchDIBits(dc, x, y, w, h, 0, 0, g_picture.width, g_picture.height, g_picture.bits, g_picture.info,
                    DIB_RGB_COLORS, SRCCOPY);
    ::ExcludeClipRect(dc, x, y, x + w, y + h);
    ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ::EndPaint(hwnd, &ps);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT:
            Paint(hwnd);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // painted whole in WM_PAINT
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    if (__argc < 4) {
        return 2;
    }
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "IxoStartupFloor";
    if (!::RegisterClassA(&wc) || !ReadBmp(__argv[1], &g_picture)) {
        return 1;
    }
    RECT frame{0, 0, std::atoi(__argv[2]), std::atoi(__argv[3])};
    ::AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND hwnd = ::CreateWindowExA(0, wc.lpszClassName, "floor", WS_OVERLAPPEDWINDOW, 0, 0, frame.right - frame.left,
                                  frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    if (hwnd == nullptr) {
        return 1;
    }
    ::ShowWindow(hwnd, show);
    ::UpdateWindow(hwnd);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}
