// Entry point of every Wine test program.
#include <windows.h>

#include <gtest/gtest.h>

#include "framework/WinApp.h"

// The application object of a test program: dialogs under test become its main window.
fw::CWinApp g_testApp;

int main(int argc, char** argv) {
    // A crash must fail the test, not wait for a person at a crash dialog.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
