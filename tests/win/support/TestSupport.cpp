#include "tests/win/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>

#include "framework/Desktop.h"
#include "framework/Dialog.h"
#include "framework/WideText.h"
#include "framework/WinApp.h"
#include "portable/PathUtil.h"

namespace test {

std::wstring Wide(std::string_view cp932) {
    return fw::Widen932(cp932);
}

std::string Narrow(std::wstring_view text) {
    return fw::Narrow932Lossy(text);
}

std::string BuildDir() {
    // Wine shows the Unix file system as drive Z:.
    std::string path = std::string("Z:") + IXO_BUILD_DIR;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string ExeDir() {
    return Narrow(GetDirectoryPart(fw::ExecutablePath()));
}

TempDir::TempDir(const std::string& label) {
    static int counter = 0;
    char base[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, base);
    char name[64];
    std::snprintf(name, sizeof name, "%s-%lu-%d", label.c_str(), ::GetCurrentProcessId(), ++counter);
    m_path = Narrow(AddTrailingBackslash(Wide(base))) + name;
    RemoveTree(m_path);
    MakeDir(m_path);
}

TempDir::~TempDir() {
    RemoveTree(m_path);
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    ASSERT_TRUE(ok && written == bytes.size()) << path;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << fw::FromWide(path, CP_UTF8);
    DWORD written = 0;
    const BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    ASSERT_TRUE(ok && written == bytes.size()) << fw::FromWide(path, CP_UTF8);
}

std::string ReadFileBytes(const std::string& path) {
    return ReadFileBytes(Wide(path));
}

std::string ReadFileBytes(const std::wstring& path) {
    // Shared as a reader that leaves writers alone: a viewer may hold the file open to append.
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string bytes(::GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    ::CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

bool FileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeDir(const std::string& path) {
    ASSERT_TRUE(::CreateDirectoryA(path.c_str(), nullptr) || DirExists(path)) << path;
}

void RunHostProgram(std::string command, const std::function<bool()>& done) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // For a host program Wine hands back no process handle and a thread "handle" that is
    // stale memory: closing that could close a handle of this process (its desktop's, which
    // no window could then be made on). Only a Windows program's handles are closed.
    if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) &&
        process.hProcess != nullptr) {
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    for (int i = 0; i < 500 && !done(); ++i) {
        ::Sleep(20);
    }
}

namespace {

// Waits up to forty seconds in all, or up to `limitMs` when longer, for a host program
// started by RunHostProgram.
bool WaitForHost(const std::function<bool()>& done, DWORD limitMs = 0) {
    const DWORD start = ::GetTickCount();
    while (!done() && ::GetTickCount() - start < std::max<DWORD>(limitMs, 40000)) {
        ::Sleep(200);
    }
    return done();
}

// How long the host took to make the files of each folder in this run. Removing them takes
// about as long, however busy the machine is: the wait for a removal is measured by it.
std::map<std::string, DWORD>& MakingTimes() {
    static std::map<std::string, DWORD> times;
    return times;
}

}  // namespace

bool HostMakesFiles(const std::string& dir, const std::vector<std::string>& names, const std::string& bytes) {
    const std::string script = dir + ".make.py";
    const std::string list = dir + ".names";
    const std::string content = dir + ".bytes";
    const std::string marker = dir + ".made";
    std::string joined;
    for (const std::string& name : names) {
        joined += name + "\n";
    }
    WriteFileBytes(script,
                   "import sys\n"
                   "src = open(sys.argv[2], 'rb').read()\n"
                   "for name in open(sys.argv[1], 'rb').read().split(b'\\n'):\n"
                   "    if name:\n"
                   "        open(sys.argv[3].encode() + b'/' + name, 'wb').write(src)\n"
                   "open(sys.argv[4], 'w').close()\n");
    WriteFileBytes(list, joined);
    WriteFileBytes(content, bytes);
    const auto made = [&] { return FileExists(marker); };
    const DWORD start = ::GetTickCount();
    RunHostProgram("/usr/bin/python3 \"" + UnixPathOf(script) + "\" \"" + UnixPathOf(list) + "\" \"" +
                       UnixPathOf(content) + "\" \"" + UnixPathOf(dir) + "\" \"" + UnixPathOf(marker) + "\"",
                   made);
    const bool ok = WaitForHost(made);
    DWORD& took = MakingTimes()[dir];
    took = std::max(took, ::GetTickCount() - start);
    for (const std::string& file : {script, list, content, marker}) {
        ::DeleteFileA(file.c_str());
    }
    return ok;
}

bool HostRemovesTree(const std::string& path) {
    const auto gone = [&] { return ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES; };
    DWORD making = 0;
    for (const auto& [dir, took] : MakingTimes()) {
        if (dir == path || dir.starts_with(path + "\\")) {
            making = std::max(making, took);
        }
    }
    RunHostProgram("/bin/rm -rf \"" + UnixPathOf(path) + "\"", gone);
    return WaitForHost(gone, 3 * making);
}

namespace {

// Through the wide API, so that names code page 932 cannot hold go too.
void RemoveTreeW(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link goes by itself: what it leads to is not ours. Wine removes no link the
        // host made, so the host's rm does.
        if (!::RemoveDirectoryW(path.c_str()) && !::DeleteFileW(path.c_str())) {
            const std::string unixPath = UnixPathOf(fw::FromWide(path, CP_ACP));
            RunHostProgram("/bin/rm -f \"" + unixPath + "\"",
                           [&] { return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES; });
        }
        return;
    }
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL | (attributes & FILE_ATTRIBUTE_DIRECTORY));
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name != L"." && name != L"..") {
                RemoveTreeW(path + L"\\" + name);
            }
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(path.c_str());
}

}  // namespace

void RemoveTree(const std::string& path) {
    RemoveTreeW(fw::ToWide(path, CP_ACP).value_or(L""));
}

std::vector<std::string> ListNames(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA((dir + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::string UnixPathOf(const std::string& path) {
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH * 2] = {};
    if (toUnix == nullptr || !::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH * 2)) {
        return {};
    }
    char* unixPath = toUnix(wide);
    std::string result = unixPath != nullptr ? unixPath : "";
    ::HeapFree(::GetProcessHeap(), 0, unixPath);
    return result;
}

bool MakeDirectoryLink(const std::string& link, const std::string& target) {
    constexpr DWORD kUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    ::CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | kUnprivileged);
    if (::GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES) {
        RunHostProgram("/bin/ln -s \"" + UnixPathOf(target) + "\" \"" + UnixPathOf(link) + "\"",
                       [&] { return ::GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES; });
    }
    return (::GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           ::GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<IniEntry> ReadIniEntries(const std::string& path) {
    const std::string text = ReadFileBytes(path);
    std::vector<IniEntry> entries;
    std::string section;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find('\n', pos);
        std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
        } else if (const size_t eq = line.find('='); eq != std::string::npos) {
            entries.push_back({section, line.substr(0, eq), line.substr(eq + 1)});
        }
    }
    return entries;
}

PromptRecorder::PromptRecorder() {
    fw::SetWallpaperResponder([this](const std::wstring& path) {
        wallpapers.push_back(fw::Narrow932Lossy(path));
        return wallpaperTaken;
    });
    fw::SetMessageBoxResponder([this](const fw::MessageBoxCall& call) {
        messages.push_back(call);
        if (messageAnswers.empty()) {
            return IDOK;
        }
        const int answer = messageAnswers.front();
        messageAnswers.pop_front();
        return answer;
    });
    fw::SetFolderBrowserResponder([this](const BROWSEINFOW& info) {
        const auto* initial = reinterpret_cast<const wchar_t*>(info.lParam);
        const std::wstring initialW = initial != nullptr ? initial : L"";
        browses.push_back(BrowseCall{info.hwndOwner, fw::Narrow932Lossy(info.lpszTitle ? info.lpszTitle : L""),
                                     fw::Narrow932Lossy(initialW), info.ulFlags, initialW});
        if (browseAnswers.empty()) {
            return std::wstring();
        }
        std::wstring answer = browseAnswers.front();
        browseAnswers.pop_front();
        return answer;
    });
    fw::SetOpenFileResponder([this](const OPENFILENAMEW& info) {
        openFiles.push_back(OpenFileCall{info.hwndOwner,
                                         fw::Narrow932Lossy(info.lpstrFile != nullptr ? info.lpstrFile : L""),
                                         info.nMaxFile, info.Flags, info.lpstrFilter != nullptr,
                                         info.lpstrDefExt != nullptr});
        std::optional<std::wstring> answer;
        if (!openFileAnswers.empty()) {
            if (!openFileAnswers.front().empty()) {
                answer = fw::Widen932(openFileAnswers.front());
            }
            openFileAnswers.pop_front();
        }
        return answer;
    });
    fw::SetShellOperationResponder([this](SHFILEOPSTRUCTW& op) {
        const std::wstring from = op.pFrom != nullptr ? op.pFrom : L"";
        const bool doubleNul = op.pFrom != nullptr && op.pFrom[from.size() + 1] == L'\0';
        shellCalls.push_back(ShellCall{op.hwnd, op.wFunc, fw::Narrow932Lossy(from), doubleNul,
                                       fw::Narrow932Lossy(op.pTo != nullptr ? op.pTo : L""), op.fFlags,
                                       fw::Narrow932Lossy(op.lpszProgressTitle != nullptr ? op.lpszProgressTitle : L""),
                                       from});
        if (shellDeclines) {
            op.fAnyOperationsAborted = TRUE;
            return 0;
        }
        SHFILEOPSTRUCTW silent = op;
        silent.fFlags = static_cast<FILEOP_FLAGS>((op.fFlags & ~(FOF_ALLOWUNDO | FOF_WANTNUKEWARNING)) |
                                                  FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI);
        return ::SHFileOperationW(&silent);
    });
    fw::SetProgramStartResponder([this](const std::wstring& commandLine, UINT showCommand) {
        programStarts.push_back(ProgramStart{fw::Narrow932Lossy(commandLine), showCommand, commandLine});
        return true;
    });
}

PromptRecorder::~PromptRecorder() {
    fw::SetMessageBoxResponder(nullptr);
    fw::SetFolderBrowserResponder(nullptr);
    fw::SetOpenFileResponder(nullptr);
    fw::SetShellOperationResponder(nullptr);
    fw::SetProgramStartResponder(nullptr);
    fw::SetWallpaperResponder(nullptr);
}

INPUT KeyInput(WORD vk, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(::MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    switch (vk) {
        case VK_INSERT: case VK_DELETE: case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
        case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
            input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
            break;
        default:
            break;
    }
    return input;
}

void SendKey(WORD vk, bool down) {
    INPUT input = KeyInput(vk, down);
    ::SendInput(1, &input, sizeof input);
}

namespace {
ModalScript* g_running = nullptr;
}

ModalScript& ModalScript::Then(Step step) {
    m_steps.push_back(std::move(step));
    return *this;
}

ModalScript& ModalScript::Key(WORD vk, bool shift, bool ctrl) {
    Then([=](fw::CDialog&) {
        if (shift) SendKey(VK_SHIFT, true);
        if (ctrl) SendKey(VK_CONTROL, true);
        SendKey(vk, true);
        SendKey(vk, false);
    });
    // The modifiers are released only after the key has been handled.
    return Then([=](fw::CDialog&) {
        if (ctrl) SendKey(VK_CONTROL, false);
        if (shift) SendKey(VK_SHIFT, false);
    });
}

ModalScript& ModalScript::OnNestedDialog(std::function<void(fw::CDialog&)> handler) {
    m_nested = std::move(handler);
    return *this;
}

void CALLBACK ModalScript::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_running != nullptr) {
        g_running->Tick();
    }
}

void ModalScript::Tick() {
    if (m_dialog != nullptr && static_cast<LONG>(::GetTickCount() - m_deadline) > 0) {
        m_timedOut = true;
        m_dialog->EndDialog(-2);
    }
}

// A step runs only from the dialog's own loop: a loop nested in a handler (a listing's, a
// pass's) also dispatches the timer, and a step run there would act in the handler's midst.
void ModalScript::OnIdle() {
    if (m_dialog == nullptr || m_inStep || m_timedOut) {
        return;
    }
    // Wait until everything queued so far (keys, posted work, painting) has been handled.
    if (HIWORD(::GetQueueStatus(QS_INPUT | QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT)) != 0) {
        return;
    }
    if (m_hold) {
        if (!m_hold()) {
            return;
        }
        m_hold = nullptr;
    }
    if (m_next >= m_steps.size()) {
        if (m_dialog->IsModalRunning()) {
            m_dialog->EndDialog(IDCANCEL);
        }
        return;
    }
    m_inStep = true;
    m_steps[m_next++](*m_dialog);
    m_inStep = false;
}

INT_PTR ModalScript::Run(fw::CDialog& dialog, DWORD timeoutMs) {
    m_next = 0;
    m_timedOut = false;
    m_deadline = ::GetTickCount() + timeoutMs;
    g_running = this;
    UINT_PTR timer = 0;
    fw::SetModalDialogResponder([&](fw::CDialog& shown) {
        if (&shown == &dialog) {
            m_dialog = &dialog;
            ::SetForegroundWindow(dialog.m_hWnd);
            // The timer wakes the loop, which then finds itself idle.
            timer = ::SetTimer(nullptr, 0, 15, &ModalScript::OnTimer);
        } else if (m_nested) {
            m_nested(shown);
        }
    });
    fw::SetModalIdleResponder([&](fw::CDialog& idle) {
        if (&idle == &dialog) {
            OnIdle();
        }
    });
    // The dialog under test is the application's main window, as in the program.
    fw::CWinApp* app = fw::TheApp();
    const bool becomesMain = app != nullptr && app->m_pMainWnd == nullptr;
    if (becomesMain) {
        app->m_pMainWnd = &dialog;
    }
    const INT_PTR result = dialog.DoModal();
    if (becomesMain) {
        app->m_pMainWnd = nullptr;
    }
    fw::SetModalDialogResponder(nullptr);
    fw::SetModalIdleResponder(nullptr);
    if (timer != 0) {
        ::KillTimer(nullptr, timer);
    }
    g_running = nullptr;
    m_dialog = nullptr;
    // Release any key a step left down.
    SendKey(VK_SHIFT, false);
    SendKey(VK_CONTROL, false);
    DrainMessages();
    EXPECT_FALSE(m_timedOut) << "the dialog script timed out after step " << m_next;
    return result;
}

void DrainMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            continue;  // a quit left by a closed main window must not end the next test's loop
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

std::vector<uint32_t> AreaPixels(HWND window, const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = ::GetDC(window);
    HDC memory = ::CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, dib);
    ::BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    ::GdiFlush();
    std::vector<uint32_t> pixels;
    if (bits != nullptr) {
        const auto* first = static_cast<const uint32_t*>(bits);
        pixels.assign(first, first + static_cast<size_t>(width) * height);
    }
    for (uint32_t& p : pixels) {
        p &= 0xFFFFFF;
    }
    ::SelectObject(memory, old);
    ::DeleteObject(dib);
    ::DeleteDC(memory);
    ::ReleaseDC(window, screen);
    return pixels;
}

std::vector<uint32_t> ClientPixels(HWND window) {
    RECT client{};
    ::GetClientRect(window, &client);
    return AreaPixels(window, client);
}

namespace {
TitleHook* g_titleHook = nullptr;
}  // namespace

TitleHook::TitleHook(HWND window, std::function<void(const std::string& title)> act)
    : m_window(window), m_act(std::move(act)) {
    g_titleHook = this;
    m_old = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
}

TitleHook::~TitleHook() {
    ::SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_old));
    g_titleHook = nullptr;
}

LRESULT CALLBACK TitleHook::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TitleHook* hook = g_titleHook;
    if (message == WM_SETTEXT && lParam != 0) {
        hook->m_act(Narrow(reinterpret_cast<const wchar_t*>(lParam)));
    }
    return ::CallWindowProcW(hook->m_old, window, message, wParam, lParam);
}

}  // namespace test
