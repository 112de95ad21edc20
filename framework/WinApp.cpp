#include "framework/WinApp.h"

#include "framework/Debug.h"

namespace fw {

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp() {
    FW_ASSERT(g_app == nullptr);
    g_app = this;
    m_hInstance = ::GetModuleHandleA(nullptr);
}

CWinApp::~CWinApp() {
    if (g_app == this) {
        g_app = nullptr;
    }
}

int CWinApp::Run() {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

CWinApp* AfxGetApp() {
    return g_app;
}

HINSTANCE AfxGetInstanceHandle() {
    return g_app ? g_app->m_hInstance : ::GetModuleHandleA(nullptr);
}

std::string AfxGetModuleFilePath() {
    std::string path(MAX_PATH, '\0');
    DWORD len = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    while (len == path.size() && path.size() < 32768) {  // truncated: try a larger buffer
        path.resize(path.size() * 2);
        len = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    }
    path.resize(len < path.size() ? len : 0);
    return path;
}

std::string AfxLoadString(UINT id) {
    char text[1024];
    const int len = ::LoadStringA(AfxGetInstanceHandle(), id, text, sizeof text);
    return len > 0 ? std::string(text, static_cast<size_t>(len)) : std::string();
}

const std::string& AfxGetAppName() {
    static const std::string name = [] {
        const std::string path = AfxGetModuleFilePath();
        // The text after the last backslash, walking double-byte characters whole.
        size_t start = 0;
        for (size_t i = 0; i < path.size(); ++i) {
            if (::IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
                ++i;
            } else if (path[i] == '\\') {
                start = i + 1;
            }
        }
        std::string file = path.substr(start);
        const size_t dot = file.rfind('.');  // '.' is never a trail byte in code page 932
        return dot == std::string::npos ? file : file.substr(0, dot);
    }();
    return name;
}

}  // namespace fw
