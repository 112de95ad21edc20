// The framework's Unicode boundary: text conversions, dialogs as Unicode windows, the
// data exchange of wide texts, the message box seam and program starts.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/DataExchange.h"
#include "framework/Dialog.h"
#include "framework/Handles.h"
#include "framework/Keyboard.h"
#include "framework/ProgramSearch.h"
#include "framework/Prompts.h"
#include "framework/WideText.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "tests/win/support/TestSupport.h"

namespace {

using namespace std::string_literals;

// Names code page 932 cannot hold: each has a best-fit form that names another file.
const std::vector<std::wstring> kOutside932 = {
    L"x\U0001F642.jpg",     // a surrogate pair
    L"caf\u00E9.jpg",       // e with acute accent: best fit "cafe.jpg"
    L"\u6CE2\u301C.jpg",    // wave dash U+301C: best fit the full-width tilde
    L"\uD55C\uAE00.png",    // Hangul
    L"2023\u00A504",        // yen sign: best fit the backslash
    L"a\xD800" L"b.jpg",    // a lone surrogate
};

// Code-page-932 texts: kanji whose second byte is 0x5C, half-width kana, special
// characters, an embedded NUL, the empty text.
const std::vector<std::string> kInside932 = {
    "表ソ能.jpg", "ｶﾅ.bmp", "①\x81\x60Ⅰ", "C:\\壁紙\\x.bmp", "a\0b"s, "", "- IXO - [C:\\]",
};

TEST(WideText, Cp932TextsRoundTripByteForByte) {
    for (const std::string& text : kInside932) {
        SCOPED_TRACE(text);
        const std::wstring wide = fw::Widen932(text);
        EXPECT_EQ(fw::Narrow932(wide), text);
        EXPECT_EQ(fw::Narrow932Lossy(wide), text);
    }
    EXPECT_EQ(fw::Widen932("表"), L"\u8868");
    EXPECT_EQ(fw::Widen932("a\0b"s), L"a\0b"s);
}

TEST(WideText, TextsOutsideCp932AreRefusedNotApproximated) {
    for (const std::wstring& name : kOutside932) {
        EXPECT_EQ(fw::Narrow932(name), std::nullopt) << fw::Narrow932Lossy(name);
    }
}

TEST(WideText, Utf8CarriesEveryNameButALoneSurrogate) {
    for (const std::wstring& name : kOutside932) {
        const std::optional<std::string> utf8 = fw::NarrowUtf8(name);
        if (name.find(L'\xD800') != std::wstring::npos) {
            EXPECT_EQ(utf8, std::nullopt);
            continue;
        }
        ASSERT_TRUE(utf8.has_value());
        EXPECT_EQ(fw::WidenUtf8(*utf8), name);
    }
    EXPECT_EQ(fw::NarrowUtf8(L"x\U0001F642"), "x\xF0\x9F\x99\x82");
    EXPECT_EQ(fw::WidenUtf8(""), std::wstring());
    for (const std::string& broken : {"\xC3"s, "\xED\xA0\x80"s, "\xFF"s}) {
        EXPECT_EQ(fw::WidenUtf8(broken), std::nullopt);
    }
}

// The rename template with its edit box exchanged as a wide text or a code-page-932 one.
class NameDialog : public fw::CDialog {
public:
    explicit NameDialog(bool wide) : fw::CDialog(IDD_RENAME), m_bWide(wide) {}
    std::wstring m_wide;
    std::string m_narrow;

protected:
    void DoDataExchange(fw::CDataExchange* dx) override {
        if (m_bWide) {
            fw::DDX_Text(dx, IDC_RENAME_NAME, m_wide);
        } else {
            fw::DDX_Text(dx, IDC_RENAME_NAME, m_narrow);
        }
    }

private:
    bool m_bWide;
};

TEST(UnicodeDialog, AWideFieldShowsAndTakesEveryNameExactly) {
    for (const std::wstring& name : kOutside932) {
        SCOPED_TRACE(fw::Narrow932Lossy(name));
        NameDialog dlg(true);
        dlg.m_wide = name;
        const INT_PTR result = test::ModalScript()
                                   .Then([&](fw::CDialog& d) {
                                       EXPECT_TRUE(::IsWindowUnicode(d.m_hWnd));
                                       fw::CWnd edit;
                                       edit.Attach(d.GetDlgItem(IDC_RENAME_NAME));
                                       EXPECT_TRUE(::IsWindowUnicode(edit.m_hWnd));
                                       EXPECT_EQ(edit.GetWindowTextW(), name);
                                       edit.SetWindowText(L"\uD55C" + name);
                                       d.PostMessage(WM_COMMAND, IDOK);
                                   })
                                   .Run(dlg);
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(dlg.m_wide, L"\uD55C" + name);
    }
}

// A code-page-932 field refuses a text the code page cannot hold: the user is told, the
// box has the focus, and the dialog stays open until the text can be taken.
TEST(UnicodeDialog, ACp932FieldRefusesATextOutsideTheCodePage) {
    test::PromptRecorder prompts;
    NameDialog dlg(false);
    dlg.m_narrow = "元.jpg";
    HWND shown = nullptr;
    test::ModalScript()
        .Then([&](fw::CDialog& d) {
            shown = d.m_hWnd;
            ::SetDlgItemTextW(d.m_hWnd, IDC_RENAME_NAME, L"caf\u00E9.jpg");
            d.PostMessage(WM_COMMAND, IDOK);
        })
        .Then([&](fw::CDialog& d) {
            EXPECT_TRUE(d.IsModalRunning());
            EXPECT_EQ(::GetFocus(), d.GetDlgItem(IDC_RENAME_NAME));
            EXPECT_EQ(dlg.m_narrow, "元.jpg");
            ::SetDlgItemTextW(d.m_hWnd, IDC_RENAME_NAME, L"\u8868.jpg");
            d.PostMessage(WM_COMMAND, IDOK);
        })
        .Run(dlg);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, "この欄にはシフトJISで表せない文字は使えません。");
    EXPECT_EQ(prompts.messages[0].owner, shown);
    EXPECT_EQ(dlg.m_narrow, "表.jpg");
}

TEST(MessageBoxSeam, GetsTheTextExactlyAndInCp932) {
    test::PromptRecorder prompts;
    fw::MessageBox(nullptr, L"x\U0001F642.jpg \u3092\u524A\u9664", "題", MB_OK);
    fw::MessageBox(nullptr, std::string("表ソ ｶﾅ"));
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0].wideText, L"x\U0001F642.jpg \u3092\u524A\u9664");
    EXPECT_EQ(prompts.messages[0].text, fw::Narrow932Lossy(prompts.messages[0].wideText));
    EXPECT_EQ(prompts.messages[0].caption, "題");
    EXPECT_EQ(prompts.messages[1].text, "表ソ ｶﾅ");
    EXPECT_EQ(prompts.messages[1].wideText, L"\u8868\u30BD \uFF76\uFF85");
    EXPECT_EQ(prompts.messages[1].caption, fw::AppName());
}

// A real start: the wide command line reaches the program exactly, and a program that
// cannot be started is reported.
TEST(ProgramStart, StartsWithTheExactCommandLine) {
    test::TempDir dir;
    const std::wstring file = fw::Widen932(dir.Path()) + L"\\x\U0001F642\u301C.txt";
    ASSERT_TRUE(fw::StartProgram(L"cmd.exe /c echo made> \"" + file + L"\"", SW_HIDE));
    // Written ("made" and a line end) and closed by the program before the folder goes.
    std::string written;
    const DWORD deadline = ::GetTickCount() + 20000;
    while (written.empty() && static_cast<LONG>(::GetTickCount() - deadline) < 0) {
        const fw::FileHandle f(::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        char bytes[16] = {};
        DWORD read = 0;
        if (f.IsValid() && ::ReadFile(f.Get(), bytes, sizeof bytes, &read, nullptr) && read > 0) {
            written.assign(bytes, read);
        } else {
            ::Sleep(50);
        }
    }
    EXPECT_EQ(written, "made\r\n");
    EXPECT_FALSE(fw::StartProgram(fw::Widen932(dir / "no such program.exe"), SW_HIDE));
    EXPECT_FALSE(fw::StartProgram(L"", SW_HIDE));
    EXPECT_FALSE(fw::StartProgram(L"cmd.exe\0 /c exit"s, SW_HIDE));
}

// A program named by a bare name is never taken from the working directory, nor from a
// relative folder of PATH, where a download may have planted one under the name of a
// system program; a full path is used as it is.
TEST(ProgramStart, NeverTakesAProgramFromTheWorkingDirectory) {
    test::TempDir dir;
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(::GetSystemDirectoryW(system, MAX_PATH), 0u);
    const std::wstring cmd = std::wstring(system) + L"\\cmd.exe";
    const std::wstring here = fw::Widen932(dir.Path());
    test::MakeDir(dir / "bin");
    test::MakeDir(dir / "my tools");
    // Real programs, copies of the command shell.
    for (const wchar_t* name : {L"planted.exe", L"cmd.exe", L"bin\\tool.exe", L"my tools\\shell.exe"}) {
        ASSERT_TRUE(::CopyFileW(cmd.c_str(), (here + L"\\" + name).c_str(), FALSE));
    }
    wchar_t previousDir[MAX_PATH] = {};
    ASSERT_GT(::GetCurrentDirectoryW(MAX_PATH, previousDir), 0u);
    std::vector<wchar_t> previousPath(32768);
    ASSERT_GT(::GetEnvironmentVariableW(L"PATH", previousPath.data(), 32768), 0u);
    ASSERT_TRUE(::SetCurrentDirectoryW(here.c_str()));
    ASSERT_TRUE(::SetEnvironmentVariableW(L"PATH", (L".;bin;\"\";" + std::wstring(previousPath.data())).c_str()));

    const struct {
        std::wstring name;
        std::optional<std::wstring> found;
    } cases[] = {
        {L"cmd", cmd},
        {L"CMD.exe", std::wstring(system) + L"\\CMD.exe"},
        {L"planted.exe", std::nullopt},
        {L"planted", std::nullopt},
        {L"tool", std::nullopt},
        {L".\\planted.exe", std::nullopt},
        {L"bin\\tool.exe", std::nullopt},
        {here + L"\\planted", here + L"\\planted.exe"},
        {here + L"\\bin\\tool.exe", here + L"\\bin\\tool.exe"},
        {here + L"\\bin", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fw::FindProgram(c.name), c.found) << fw::Narrow932Lossy(c.name);
    }
    EXPECT_EQ(fw::WithFoundProgram(L"cmd /c exit"), L"\"" + cmd + L"\" /c exit");
    EXPECT_EQ(fw::WithFoundProgram(here + L"\\my tools\\shell.exe /c exit"),
              L"\"" + here + L"\\my tools\\shell.exe\" /c exit");
    EXPECT_EQ(fw::WithFoundProgram(L"\"" + here + L"\\my tools\\shell\" /c"), L"\"" + here + L"\\my tools\\shell.exe\" /c");
    EXPECT_EQ(fw::WithFoundProgram(L"planted.exe /c exit"), std::nullopt);

    const std::wstring made = here + L"\\made.txt";
    EXPECT_FALSE(fw::StartProgram(L"planted.exe /c echo made> \"" + made + L"\"", SW_HIDE));
    ::SetEnvironmentVariableW(L"PATH", previousPath.data());
    ::SetCurrentDirectoryW(previousDir);
    EXPECT_FALSE(test::FileExists(dir / "made.txt"));
}

// A key already acted on leaves the queue, whether it waits as a plain key-down or, pressed
// while no window had the focus, as a system key-down that becomes a plain one for the
// window focused when it is taken (a message box shown next). What follows another key stays.
TEST(Keyboard, DropsOnlyTheWaitingKeyDownsOfTheKeyAtTheHead) {
    const HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                                          nullptr, nullptr);
    ::SetForegroundWindow(window);
    for (const bool focused : {true, false}) {
        test::DrainMessages();
        ::SetFocus(focused ? window : nullptr);
        for (const auto& [key, down] : {std::pair{VK_ESCAPE, true}, {VK_ESCAPE, true}, {'A', true}, {'A', false},
                                        {VK_ESCAPE, true}, {VK_ESCAPE, false}}) {
            test::SendKey(static_cast<WORD>(key), down);
        }
        fw::DropWaitingKeyDowns(VK_ESCAPE);
        ::SetFocus(window);
        std::vector<std::pair<UINT, WPARAM>> left;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
            left.emplace_back(msg.message, msg.wParam);
        }
        EXPECT_EQ(left, (std::vector<std::pair<UINT, WPARAM>>{
                            {WM_KEYDOWN, 'A'}, {WM_KEYUP, 'A'}, {WM_KEYDOWN, VK_ESCAPE}, {WM_KEYUP, VK_ESCAPE}}))
            << (focused ? "focused" : "no focus");
    }
    ::DestroyWindow(window);
}

// A key held on repeats: its repeats leave a message box be, a new press answers it. (The
// keys are posted: Wine takes a key sent as input for let go when another window takes
// the focus, so a key held across the box's showing cannot be sent.)
struct HeldEscapeBox {
    static inline int ticks = 0;
    static inline bool stayed = false;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        const HWND focus = ::GetFocus();
        switch (++ticks) {
            case 1:
                ::PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0x40000001);  // a repeat: the key was down
                break;
            case 3:
                stayed = ::IsWindowVisible(::GetActiveWindow()) != FALSE;
                ::PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0x00000001);
                break;
            case 20:
                ::PostMessageW(::GetActiveWindow(), WM_COMMAND, IDOK, 0);  // the test failed: let it end
                break;
            default:
                break;
        }
    }
};

TEST(Keyboard, ARepeatOfABlockedKeyLeavesAMessageBoxBe) {
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &HeldEscapeBox::Tick);
    {
        const fw::CKeyRepeatBlock block(VK_ESCAPE);
        ::MessageBoxW(nullptr, L"held", L"Keyboard", MB_OK);
    }
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(HeldEscapeBox::stayed);
    EXPECT_LT(HeldEscapeBox::ticks, 20) << "the new press closed it";
}

}  // namespace
