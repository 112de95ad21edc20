#include <windows.h>

#include "framework/WinApp.h"

// The program's entry point: runs the one application object.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    fw::CWinApp* app = fw::TheApp();
    if (app == nullptr) {
        return 1;
    }
    app->m_hInstance = instance;
    if (!app->InitInstance()) {
        return 0;
    }
    return app->Run();
}
