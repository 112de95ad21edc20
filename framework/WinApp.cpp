#include "framework/WinApp.h"

#include "framework/Debug.h"
#include "framework/WideText.h"

namespace fw {

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp() {
    FW_ASSERT(g_app == nullptr);
    g_app = this;
    m_hInstance = ::GetModuleHandleW(nullptr);
}

CWinApp::~CWinApp() {
    if (g_app == this) {
        g_app = nullptr;
    }
}

int CWinApp::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

CWinApp* TheApp() {
    return g_app;
}

HINSTANCE InstanceHandle() {
    return g_app ? g_app->m_hInstance : ::GetModuleHandleW(nullptr);
}

std::wstring ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    DWORD len = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    while (len == path.size() && path.size() < 32768) {  // truncated: try a larger buffer
        path.resize(path.size() * 2);
        len = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    }
    path.resize(len < path.size() ? len : 0);
    return path;
}

std::string LoadResourceString(UINT id) {
    // With no buffer the system hands out the resource's own text and its length.
    const wchar_t* text = nullptr;
    const int len = ::LoadStringW(InstanceHandle(), id, reinterpret_cast<LPWSTR>(&text), 0);
    return len > 0 && text != nullptr ? Narrow932Lossy(std::wstring_view(text, static_cast<size_t>(len)))
                                      : std::string();
}

const std::wstring& AppNameW() {
    static const std::wstring name = [] {
        const std::wstring path = ExecutablePath();
        std::wstring file = path.substr(path.find_last_of(L'\\') + 1);
        const size_t dot = file.rfind(L'.');
        return dot == std::wstring::npos ? file : file.substr(0, dot);
    }();
    return name;
}

const std::string& AppName() {
    static const std::string name = Narrow932Lossy(AppNameW());
    return name;
}

}  // namespace fw
