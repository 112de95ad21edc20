#pragma once
// Runs the real Ixo.exe in a child process and drives it like a person would:
// real keystrokes to its window, its list read through window messages, its
// pixels read from the screen.
#include <windows.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

// The dist folder of the build (Ixo.exe and the SPI folder).
std::string DistDir();

// A place to run the viewer: `PictureDir()` holds a copy of Ixo.exe (the viewer lists
// the folder it was started from, and keeps Ixo.ini there) and `WorkDir()` holds the SPI
// folder (the plug-ins are found below the working directory).
class Installation {
public:
    explicit Installation(const std::string& tempRoot, bool withPlugins = true);
    std::string PictureDir() const { return m_root + "\\pics"; }
    std::string WorkDir() const { return m_root + "\\work"; }
    std::string ExePath() const { return PictureDir() + "\\Ixo.exe"; }
    std::string IniPath() const { return PictureDir() + "\\Ixo.ini"; }

private:
    std::string m_root;
};

class ViewerProcess {
public:
    ViewerProcess() = default;
    ViewerProcess(const ViewerProcess&) = delete;
    ViewerProcess& operator=(const ViewerProcess&) = delete;
    ~ViewerProcess();

    // Starts the program and waits until its main window is shown and idle.
    bool Start(const Installation& installation, DWORD timeoutMs = 20000);
    // The same for an executable in any folder, run in `workDir`.
    bool Start(const std::string& exePath, const std::string& workDir, DWORD timeoutMs = 20000);
    // The same with `arguments` on the command line after the program's quoted path, every
    // path exactly (the wide command line).
    bool Start(const std::wstring& exePath,
               const std::wstring& workDir,
               const std::wstring& arguments,
               DWORD timeoutMs = 20000);
    HWND Window() const { return m_hWnd; }
    std::string Caption() const;
    // The caption exactly.
    std::wstring CaptionW() const;
    bool WaitForExit(DWORD timeoutMs);
    bool IsRunning() const;

    // Real keystrokes to the foreground main window; modifiers held while the key is handled.
    void Key(WORD vk, bool shift = false, bool ctrl = false, bool alt = false);
    // Key presses and releases (true: down) to the foreground main window, all queued
    // at once, as a quick typist makes them while the program is busy; does not wait.
    void KeysAtOnce(std::initializer_list<std::pair<WORD, bool>> events);
    // Waits until the viewer has handled everything sent so far.
    void WaitIdle() const;

    // The file list, as the user sees it.
    std::vector<std::string> ListEntries() const;
    // The same exactly, as the list shows them.
    std::vector<std::wstring> ListEntriesW() const;
    int SelectedIndex() const;

    // The pane's pixels (client coordinates of the main window).
    COLORREF Pixel(int x, int y) const;
    RECT PaneRect() const;
    // A message box or dialog of the program with this caption, once it is shown; null
    // when none appears within the time.
    HWND WaitForDialog(const std::string& caption, DWORD timeoutMs = 10000) const;
    // Waits until no dialog of the program has this caption; false when one is still shown
    // after the time.
    bool WaitForDialogClosed(const std::string& caption, DWORD timeoutMs = 10000) const;
    // A dialog of the program that is none of `known` (a dialog whose caption the
    // platform chooses, such as the folder browser), once it is shown; null otherwise.
    HWND WaitForDialogOtherThan(std::initializer_list<HWND> known, DWORD timeoutMs = 10000) const;
    // The text of a message box (its static text).
    static std::string MessageText(HWND box);
    // The text of a control of a dialog of the program.
    static std::string ItemText(HWND dialog, int id);
    // Presses a key in a dialog of the program, made the foreground window first.
    void KeyToDialog(HWND dialog, WORD vk) const;
    // The shell's folder browser opened by the program (a dialog holding a tree view),
    // once it is shown; null when none appears within the time.
    HWND WaitForFolderBrowser(DWORD timeoutMs = 10000) const;
    // The text of the item selected in the folder browser's tree.
    std::string BrowserSelection(HWND browser) const;
    // The texts of a window's child windows, in their order.
    static std::vector<std::string> ChildTexts(HWND parent);
    // The text of a dialog's control.
    static std::string ControlText(HWND dialog, int id);

    // Saves the whole screen as a 24-bit BMP.
    bool SaveScreenshot(const std::string& path) const;
    // Saves a rectangle of the screen (screen coordinates) as a 24-bit BMP.
    bool SaveScreenArea(const std::string& path, const RECT& area) const;

private:
    // Waits until the started program's main window is shown and idle.
    bool WaitForMainWindow(DWORD timeoutMs);

    PROCESS_INFORMATION m_process{};
    HWND m_hWnd = nullptr;
};

}  // namespace e2e
