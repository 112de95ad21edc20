#pragma once
// Shared helpers of the Wine tests: temporary folders and files, answering prompts,
// real keystrokes, and running steps inside a dialog's real modal loop.
#include <windows.h>

#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Prompts.h"

namespace fw {
class CDialog;
}

namespace test {

// A test's code-page-932 text in UTF-16, as the model holds names and paths; and a UTF-16
// text in code page 932 for comparing with such texts (a character the code page cannot
// hold becomes the system's substitute).
std::wstring Wide(std::string_view cp932);
std::string Narrow(std::wstring_view text);

// The main window's title up to its folder part, "- IXO - [folder]": what follows it, the
// shown entry's facts and a note, begins with two blanks.
template <class String>
String FolderPartOf(const String& title) {
    using Char = typename String::value_type;
    const Char facts[] = {Char(']'), Char(' '), Char(' '), Char(0)};
    const size_t end = title.find(facts);
    return end == String::npos ? title : title.substr(0, end + 1);
}

// The build folder as a Windows path.
std::string BuildDir();
// The folder of the running test program, with a trailing backslash.
std::string ExeDir();

// A fresh folder below the temporary folder, removed with everything in it at the end.
class TempDir {
public:
    explicit TempDir(const std::string& label = "ixo");
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();
    // The folder's path without a trailing backslash.
    const std::string& Path() const { return m_path; }
    // The path of an entry inside the folder.
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

void WriteFileBytes(const std::string& path, const std::string& bytes);
// The same through the wide API, for names code page 932 cannot hold.
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
std::string ReadFileBytes(const std::wstring& path);
bool FileExists(const std::string& path);
bool DirExists(const std::string& path);
void MakeDir(const std::string& path);
void RemoveTree(const std::string& path);
// Names in a folder (files and folders, without "." and ".."), sorted byte-wise.
std::vector<std::string> ListNames(const std::string& dir);
// Under Wine, the host's path of a Windows path; empty elsewhere.
std::string UnixPathOf(const std::string& path);
// Starts a host program (a Linux command line) from under Wine and waits, up to ten seconds,
// until `done` holds: a host program's handle does not tell when it has ended.
void RunHostProgram(std::string command, const std::function<bool()>& done);
// Many files made, or a tree removed, by the host: under Wine every file made or removed
// through the system costs a scan of its folder, minutes for tens of thousands. Each waits
// until the host is done (up to forty seconds, or for a removal three times what making the
// tree's files took) and tells whether it was.
bool HostMakesFiles(const std::string& dir, const std::vector<std::string>& names, const std::string& bytes);
bool HostRemovesTree(const std::string& path);
// Makes `link` a symbolic link to the directory `target`. Wine creates no links of its
// own (it reports success and makes nothing), so there the host's ln makes one, which
// Wine lists as a reparse point. False when no link could be made.
bool MakeDirectoryLink(const std::string& link, const std::string& target);

// The entries of an initialisation file in the order they stand in it: section, key, value.
struct IniEntry {
    std::string section;
    std::string key;
    std::string value;
    bool operator==(const IniEntry&) const = default;
};
std::vector<IniEntry> ReadIniEntries(const std::string& path);
inline void PrintTo(const IniEntry& e, std::ostream* os) {
    *os << "[" << e.section << "] " << e.key << "=" << e.value;
}

// Answers every message box, folder browser and file-open dialog while it lives,
// recording what was asked (texts and paths in code page 932, some also exactly).
// Answers are taken from the queues; when a queue is empty a message box gets IDOK and
// a browser or file dialog is cancelled.
class PromptRecorder {
public:
    PromptRecorder();
    PromptRecorder(const PromptRecorder&) = delete;
    PromptRecorder& operator=(const PromptRecorder&) = delete;
    ~PromptRecorder();

    std::vector<fw::MessageBoxCall> messages;
    std::deque<int> messageAnswers;

    struct BrowseCall {
        HWND owner;
        std::string title;
        std::string initialFolder;  // the data handed to the browser's callback
        UINT flags;
        std::wstring initialFolderW;  // the same, exactly
    };
    std::vector<BrowseCall> browses;
    std::deque<std::wstring> browseAnswers;  // exact paths

    struct OpenFileCall {
        HWND owner;
        std::string initialFile;  // the text in the file buffer as the dialog opens
        DWORD maxFile;
        DWORD flags;
        bool hasFilter;
        bool hasDefaultExtension;
    };
    std::vector<OpenFileCall> openFiles;
    // A chosen file's full path; an empty answer cancels.
    std::deque<std::string> openFileAnswers;

    // A shell file operation: recorded, then carried out for real (as if confirmed, and
    // deleting outright instead of into a recycle bin) unless shellDeclines is set.
    struct ShellCall {
        HWND owner;
        UINT func;
        std::string from;  // the first path of the list
        bool doubleNulTerminated;
        std::string to;
        FILEOP_FLAGS flags;
        std::string title;
        std::wstring fromW;  // the first path exactly
    };
    std::vector<ShellCall> shellCalls;
    bool shellDeclines = false;

    // A program start: recorded, never carried out.
    struct ProgramStart {
        std::string commandLine;  // in code page 932
        UINT showCommand;
        std::wstring commandLineW;  // exactly
    };
    std::vector<ProgramStart> programStarts;
    // Desktop wallpaper changes: recorded, never made; the system's answer is wallpaperTaken.
    std::vector<std::string> wallpapers;
    bool wallpaperTaken = true;
};

// A key press or release as SendInput takes it.
INPUT KeyInput(WORD vk, bool down);
// Real keystrokes through SendInput, as a keyboard makes them.
void SendKey(WORD vk, bool down);

// Runs a dialog modally and carries out steps inside its modal loop, one step each
// time the loop has gone idle. Keys injected by a step have been handled by the
// loop before the next step starts.
class ModalScript {
public:
    using Step = std::function<void(fw::CDialog& dialog)>;

    ModalScript& Then(Step step);
    // Presses and releases a key with Shift and/or Ctrl held down while it is handled.
    ModalScript& Key(WORD vk, bool shift = false, bool ctrl = false);
    // Answers a further modal dialog that a step opens (the folder of dialogs of the program).
    ModalScript& OnNestedDialog(std::function<void(fw::CDialog& nested)> handler);
    // Called from a step: the steps after it wait until `ready` answers true (asked when
    // the loop is idle).
    void HoldUntil(std::function<bool()> ready) { m_hold = std::move(ready); }

    // Runs dialog.DoModal(). After the last step the dialog is ended with IDCANCEL,
    // unless a step ended it already. Returns DoModal's result; fails the test on timeout.
    INT_PTR Run(fw::CDialog& dialog, DWORD timeoutMs = 60000);

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Tick();
    void OnIdle();

    std::vector<Step> m_steps;
    std::function<void(fw::CDialog&)> m_nested;
    std::function<bool()> m_hold;
    fw::CDialog* m_dialog = nullptr;
    size_t m_next = 0;
    DWORD m_deadline = 0;
    bool m_timedOut = false;
    bool m_inStep = false;
};

// Calls `act` with every title `window` is given while this lives, before the window takes
// it: a size-judged pass shows in the title where it walks, so a test can act at a point
// of the pass. One at a time.
class TitleHook {
public:
    TitleHook(HWND window, std::function<void(const std::string& title)> act);
    TitleHook(const TitleHook&) = delete;
    TitleHook& operator=(const TitleHook&) = delete;
    ~TitleHook();

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_window;
    WNDPROC m_old = nullptr;
    std::function<void(const std::string&)> m_act;
};

// Runs the thread's queue until it is empty (for code outside a modal loop).
void DrainMessages();

// A rectangle of a window's client area (of the whole screen for nullptr) as it is on the
// screen, copied out in one blit: 0xRRGGBB per pixel, row by row from the top.
std::vector<uint32_t> AreaPixels(HWND window, const RECT& area);
// A window's whole client area, as AreaPixels copies it.
std::vector<uint32_t> ClientPixels(HWND window);

}  // namespace test
