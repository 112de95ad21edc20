#include "tests/e2e/support/ViewerProcess.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>

#include "tests/win/support/TestSupport.h"

namespace e2e {

std::string DistDir() {
    return test::BuildDir() + "\\dist";
}

Installation::Installation(const std::string& tempRoot, bool withPlugins) : m_root(tempRoot) {
    test::MakeDir(PictureDir());
    test::MakeDir(WorkDir());
    EXPECT_TRUE(::CopyFileA((DistDir() + "\\Ixo.exe").c_str(), ExePath().c_str(), FALSE));
    if (withPlugins) {
        test::MakeDir(WorkDir() + "\\SPI");
        for (const std::string& name : test::ListNames(DistDir() + "\\SPI")) {
            ::CopyFileA((DistDir() + "\\SPI\\" + name).c_str(), (WorkDir() + "\\SPI\\" + name).c_str(), FALSE);
        }
    }
}

namespace {

struct FindDialogData {
    DWORD pid;
    const std::function<bool(HWND)>* match;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM param) {
    auto* data = reinterpret_cast<FindDialogData*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    if (pid == data->pid && ::IsWindowVisible(hwnd) && std::wstring(cls) == L"#32770" && (*data->match)(hwnd)) {
        data->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// A shown dialog window of the process that `match` accepts, or null.
HWND FindProcessDialog(DWORD pid, const std::function<bool(HWND)>& match) {
    FindDialogData data{pid, &match, nullptr};
    ::EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

// Text read across processes comes in its wide form; the tests compare code page 932.
std::string Narrow(const wchar_t* text) {
    char bytes[2048] = {};
    ::WideCharToMultiByte(932, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
    return bytes;
}

void SendVirtualKey(WORD vk, bool down) {
    test::SendKey(vk, down);
}

}  // namespace

ViewerProcess::~ViewerProcess() {
    if (m_process.hProcess != nullptr) {
        if (IsRunning()) {
            ::TerminateProcess(m_process.hProcess, 99);
            ::WaitForSingleObject(m_process.hProcess, 5000);
        }
        ::CloseHandle(m_process.hProcess);
        ::CloseHandle(m_process.hThread);
    }
}

bool ViewerProcess::Start(const Installation& installation, DWORD timeoutMs) {
    return Start(installation.ExePath(), installation.WorkDir(), timeoutMs);
}

bool ViewerProcess::Start(const std::string& exePath, const std::string& workDir, DWORD timeoutMs) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + exePath + "\"";
    if (!::CreateProcessA(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, workDir.c_str(),
                          &startup, &m_process)) {
        return false;
    }
    return WaitForMainWindow(timeoutMs);
}

bool ViewerProcess::Start(const std::wstring& exePath,
                          const std::wstring& workDir,
                          const std::wstring& arguments,
                          DWORD timeoutMs) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + exePath + L"\" " + arguments;
    if (!::CreateProcessW(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, workDir.c_str(),
                          &startup, &m_process)) {
        return false;
    }
    return WaitForMainWindow(timeoutMs);
}

bool ViewerProcess::WaitForMainWindow(DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        // The main window is the dialog that holds the file list.
        const HWND found =
            FindProcessDialog(m_process.dwProcessId, [](HWND hwnd) { return ::GetDlgItem(hwnd, 1000) != nullptr; });
        if (found != nullptr) {
            m_hWnd = found;
            ::SetForegroundWindow(m_hWnd);
            WaitIdle();
            return true;
        }
        if (!IsRunning()) {
            return false;
        }
        ::Sleep(50);
    }
    return false;
}

std::string ViewerProcess::Caption() const {
    return Narrow(CaptionW().c_str());
}

std::wstring ViewerProcess::CaptionW() const {
    wchar_t text[1024] = {};
    ::GetWindowTextW(m_hWnd, text, 1024);
    return text;
}

bool ViewerProcess::IsRunning() const {
    return m_process.hProcess != nullptr && ::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT;
}

bool ViewerProcess::WaitForExit(DWORD timeoutMs) {
    return m_process.hProcess != nullptr && ::WaitForSingleObject(m_process.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

void ViewerProcess::WaitIdle() const {
    for (int round = 0; round < 3; ++round) {
        ::Sleep(20);
        ::WaitForInputIdle(m_process.hProcess, 5000);
        DWORD_PTR result = 0;
        if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) {
            ::SendMessageTimeoutA(m_hWnd, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
        }
    }
}

void ViewerProcess::Key(WORD vk, bool shift, bool ctrl, bool alt) {
    if (::GetForegroundWindow() != m_hWnd) {
        ::SetForegroundWindow(m_hWnd);
        WaitIdle();
    }
    if (shift) SendVirtualKey(VK_SHIFT, true);
    if (ctrl) SendVirtualKey(VK_CONTROL, true);
    if (alt) SendVirtualKey(VK_MENU, true);
    if (shift || ctrl || alt) {
        // A window just activated (a dialog of the program has closed) may otherwise see
        // the key before the modifiers and take it alone.
        WaitIdle();
    }
    SendVirtualKey(vk, true);
    SendVirtualKey(vk, false);
    WaitIdle();
    if (alt) SendVirtualKey(VK_MENU, false);
    if (ctrl) SendVirtualKey(VK_CONTROL, false);
    if (shift) SendVirtualKey(VK_SHIFT, false);
    WaitIdle();
}

void ViewerProcess::KeysAtOnce(std::initializer_list<std::pair<WORD, bool>> events) {
    if (::GetForegroundWindow() != m_hWnd) {
        ::SetForegroundWindow(m_hWnd);
        WaitIdle();
    }
    std::vector<INPUT> inputs;
    for (const auto& [vk, down] : events) {
        inputs.push_back(test::KeyInput(vk, down));
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

std::vector<std::string> ViewerProcess::ListEntries() const {
    std::vector<std::string> entries;
    for (const std::wstring& text : ListEntriesW()) {
        entries.push_back(Narrow(text.c_str()));
    }
    return entries;
}

std::vector<std::wstring> ViewerProcess::ListEntriesW() const {
    std::vector<std::wstring> entries;
    HWND list = ::GetDlgItem(m_hWnd, 1000);
    const int count = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        // Across processes only the wide form carries the whole text.
        wchar_t text[1024] = {};
        const LRESULT len = ::SendMessageW(list, LB_GETTEXTLEN, i, 0);
        if (len < 0 || len >= 1024) {
            entries.emplace_back();
            continue;
        }
        ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.emplace_back(text);
    }
    return entries;
}

int ViewerProcess::SelectedIndex() const {
    return static_cast<int>(::SendMessageW(::GetDlgItem(m_hWnd, 1000), LB_GETCURSEL, 0, 0));
}

COLORREF ViewerProcess::Pixel(int x, int y) const {
    POINT p{x, y};
    ::ClientToScreen(m_hWnd, &p);
    HDC screen = ::GetDC(nullptr);
    const COLORREF color = ::GetPixel(screen, p.x, p.y);
    ::ReleaseDC(nullptr, screen);
    return color;
}

RECT ViewerProcess::PaneRect() const {
    RECT pane{};
    ::GetClientRect(m_hWnd, &pane);
    RECT window{};
    RECT list{};
    ::GetWindowRect(m_hWnd, &window);
    ::GetWindowRect(::GetDlgItem(m_hWnd, 1000), &list);
    pane.left += list.right - window.left;
    return pane;
}

bool ViewerProcess::SaveScreenshot(const std::string& path) const {
    return SaveScreenArea(path, RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)});
}

bool ViewerProcess::SaveScreenArea(const std::string& path, const RECT& area) const {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HBITMAP dib = ::CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(memory, dib);
    ::BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    ::GdiFlush();
    const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + imageBytes;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(static_cast<const char*>(bits), imageBytes);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::DeleteObject(dib);
    ::ReleaseDC(nullptr, screen);
    test::WriteFileBytes(path, bytes);
    return test::FileExists(path);
}

namespace {

std::wstring Widen(const std::string& text) {
    wchar_t wide[1024] = {};
    ::MultiByteToWideChar(932, 0, text.c_str(), -1, wide, 1024);
    return wide;
}

}  // namespace

HWND ViewerProcess::WaitForDialog(const std::string& caption, DWORD timeoutMs) const {
    const DWORD start = ::GetTickCount();
    do {
        const std::wstring wanted = Widen(caption);
        const HWND found = FindProcessDialog(m_process.dwProcessId, [&](HWND hwnd) {
            wchar_t text[256] = {};
            ::GetWindowTextW(hwnd, text, 256);
            return wanted == text;
        });
        if (found != nullptr) {
            return found;
        }
        ::Sleep(50);
    } while (::GetTickCount() - start < timeoutMs);
    return nullptr;
}

bool ViewerProcess::WaitForDialogClosed(const std::string& caption, DWORD timeoutMs) const {
    const DWORD start = ::GetTickCount();
    while (WaitForDialog(caption, 0) != nullptr) {
        if (::GetTickCount() - start >= timeoutMs) {
            return false;
        }
        ::Sleep(50);
    }
    return true;
}

HWND ViewerProcess::WaitForDialogOtherThan(std::initializer_list<HWND> known, DWORD timeoutMs) const {
    const DWORD start = ::GetTickCount();
    do {
        const HWND found = FindProcessDialog(m_process.dwProcessId, [&](HWND hwnd) {
            return std::find(known.begin(), known.end(), hwnd) == known.end();
        });
        if (found != nullptr) {
            return found;
        }
        ::Sleep(50);
    } while (::GetTickCount() - start < timeoutMs);
    return nullptr;
}

std::string ViewerProcess::MessageText(HWND box) {
    // A message box shows its text in the static control 0xFFFF.
    return ItemText(box, 0xFFFF);
}

std::string ViewerProcess::ItemText(HWND dialog, int id) {
    wchar_t text[1024] = {};
    ::GetDlgItemTextW(dialog, id, text, 1024);
    return Narrow(text);
}

void ViewerProcess::KeyToDialog(HWND dialog, WORD vk) const {
    ::SetForegroundWindow(dialog);
    WaitIdle();
    SendVirtualKey(vk, true);
    SendVirtualKey(vk, false);
    WaitIdle();
}

HWND ViewerProcess::WaitForFolderBrowser(DWORD timeoutMs) const {
    const DWORD start = ::GetTickCount();
    do {
        const HWND found = FindProcessDialog(m_process.dwProcessId, [](HWND hwnd) {
            return ::FindWindowExW(hwnd, nullptr, L"SysTreeView32", nullptr) != nullptr;
        });
        if (found != nullptr) {
            return found;
        }
        ::Sleep(50);
    } while (::GetTickCount() - start < timeoutMs);
    return nullptr;
}

std::string ViewerProcess::BrowserSelection(HWND browser) const {
    const HWND tree = ::FindWindowExW(browser, nullptr, L"SysTreeView32", nullptr);
    const LRESULT item = ::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    if (tree == nullptr || item == 0) {
        return {};
    }
    // The item and its text are read into memory of the program's own process.
    struct Remote {
        TVITEMW item;
        wchar_t text[260];
    };
    auto* remote = static_cast<Remote*>(
        ::VirtualAllocEx(m_process.hProcess, nullptr, sizeof(Remote), MEM_COMMIT, PAGE_READWRITE));
    if (remote == nullptr) {
        return {};
    }
    Remote local{};
    local.item.mask = TVIF_TEXT;
    local.item.hItem = reinterpret_cast<HTREEITEM>(item);
    local.item.pszText = remote->text;
    local.item.cchTextMax = 260;
    std::string text;
    if (::WriteProcessMemory(m_process.hProcess, remote, &local, sizeof local, nullptr) &&
        ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&remote->item)) &&
        ::ReadProcessMemory(m_process.hProcess, remote, &local, sizeof local, nullptr)) {
        local.text[259] = L'\0';
        text = Narrow(local.text);
    }
    ::VirtualFreeEx(m_process.hProcess, remote, 0, MEM_RELEASE);
    return text;
}

namespace {

BOOL CALLBACK CollectText(HWND child, LPARAM param) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(child, text, 1024);
    reinterpret_cast<std::vector<std::string>*>(param)->push_back(Narrow(text));
    return TRUE;
}

}  // namespace

std::vector<std::string> ViewerProcess::ChildTexts(HWND parent) {
    std::vector<std::string> texts;
    ::EnumChildWindows(parent, CollectText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

std::string ViewerProcess::ControlText(HWND dialog, int id) {
    wchar_t text[1024] = {};
    ::GetDlgItemTextW(dialog, id, text, 1024);
    return Narrow(text);
}

}  // namespace e2e
