#pragma once
#include "framework/WinApp.h"

// The application: runs the main dialog modally and ends when it closes.
class CViewerApp : public fw::CWinApp {
public:
    BOOL InitInstance() override;
};

extern CViewerApp theApp;
