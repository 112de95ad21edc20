#pragma once
#include <windows.h>

#include <string>

namespace fw {

class CWnd;

// The application object. Exactly one exists; the entry point runs its InitInstance.
class CWinApp {
public:
    CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    // Returns FALSE to end the program at once; TRUE runs a message loop.
    virtual BOOL InitInstance() { return FALSE; }
    virtual int Run();

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
};

CWinApp* TheApp();
HINSTANCE InstanceHandle();
// The executable's file name without its extension: the caption of message boxes
// that have none of their own. In code page 932 (for showing) and exactly.
const std::string& AppName();
const std::wstring& AppNameW();
// The full path of the running executable exactly, whatever its length.
std::wstring ExecutablePath();
// A string resource of the executable; empty when there is none.
std::string LoadResourceString(UINT id);

}  // namespace fw
