// Choosing the sorting targets in the shell's real folder browser and renaming entries
// in the real rename dialog, by keystrokes alone: the next sorting keys use the targets
// chosen, the settings file keeps them, and no rename replaces a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>

#include "tests/data/BmpFiles.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"

namespace {

using Strings = std::vector<std::string>;

constexpr char kMovePrompt[] = "移動先ディレクトリ選択\n'M'キーを押すと、ファイルがこのディレクトリに移動されます。";
constexpr char kCopyPrompt[] =
    "コピー先ディレクトリ選択\n'C'キーを押すと、ファイルがこのディレクトリにコピーされます。";
constexpr char kTrashPrompt[] = "ごみ箱ディレクトリ選択\n'DEL'キーを押すと、ファイルがこのディレクトリに移動されます。";

std::string SolidBmp(uint32_t rgb) {
    return testdata::MakeBmp24(32, 24, [rgb](int, int) { return rgb; });
}

// Waits until a window of the program has gone.
bool Closed(HWND window) {
    for (int i = 0; i < 100 && ::IsWindow(window); ++i) {
        ::Sleep(50);
    }
    return !::IsWindow(window);
}

std::string IniValue(const std::string& ini, const char* key) {
    char value[MAX_PATH] = {};
    ::GetPrivateProfileStringA("Directory", key, "", value, sizeof value, ini.c_str());
    return value;
}

// A folder right below C:\. The browser under Wine opens on a folder inside the user's
// profile only as far as the profile itself; below the drive root it opens on the folder.
class DriveFolder {
public:
    DriveFolder() : m_path("C:\\ixo-e2e-targets-" + std::to_string(::GetCurrentProcessId())) {
        test::RemoveTree(m_path);
        test::MakeDir(m_path);
    }
    DriveFolder(const DriveFolder&) = delete;
    DriveFolder& operator=(const DriveFolder&) = delete;
    ~DriveFolder() { test::RemoveTree(m_path); }
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

class TargetAndRename : public testing::Test {
protected:
    // Opens the folder browser with Ctrl and a key, checks that it opened on the folder
    // `present` with the prompt, and leaves it with `keys`. Wine's browser now and then
    // opens on the desktop instead of the folder it is given, mostly the first time a
    // process opens one: it is then closed and opened again.
    void Browse(WORD key, const std::string& present, const char* prompt, std::initializer_list<WORD> keys) {
        HWND browser = nullptr;
        for (int attempt = 0; attempt < 3 && browser == nullptr; ++attempt) {
            m_viewer.Key(key, false, true);
            browser = m_viewer.WaitForFolderBrowser();
            ASSERT_NE(browser, nullptr) << prompt;
            std::string selection;
            for (int i = 0; i < 100 && (selection = m_viewer.BrowserSelection(browser)).empty(); ++i) {
                ::Sleep(50);
            }
            if (selection != present) {
                m_viewer.KeyToDialog(browser, VK_ESCAPE);
                ASSERT_TRUE(Closed(browser));
                browser = nullptr;
            }
        }
        ASSERT_NE(browser, nullptr) << "the browser never opened on " << present;
        const Strings texts = e2e::ViewerProcess::ChildTexts(browser);
        EXPECT_NE(std::find(texts.begin(), texts.end(), prompt), texts.end()) << prompt;
        for (const WORD k : keys) {
            m_viewer.KeyToDialog(browser, k);
        }
        ASSERT_TRUE(Closed(browser)) << prompt;
    }
    // Presses R and answers the rename dialog with keys; returns the name it opened with.
    std::string Rename(std::initializer_list<WORD> keys) {
        m_viewer.Key('R');
        const HWND dialog = m_viewer.WaitForDialog("リネーム");
        EXPECT_NE(dialog, nullptr);
        if (dialog == nullptr) {
            return {};
        }
        const std::string shown = e2e::ViewerProcess::ControlText(dialog, 1021);
        for (const WORD k : keys) {
            m_viewer.KeyToDialog(dialog, k);
        }
        EXPECT_TRUE(Closed(dialog));
        return shown;
    }
    std::string SelectedEntry() const {
        const int index = m_viewer.SelectedIndex();
        const Strings entries = m_viewer.ListEntries();
        return index >= 0 && index < static_cast<int>(entries.size()) ? entries[static_cast<size_t>(index)] : "";
    }

    DriveFolder m_root;
    e2e::ViewerProcess m_viewer;
};

TEST_F(TargetAndRename, ChosenTargetsServeTheNextKeysAndRenamesStayInPlace) {
    e2e::Installation install(m_root.Path());
    const std::string pics = install.PictureDir();
    for (const char* dir : {"copy", "copy2", "move", "move2", "trash", "trash2"}) {
        test::MakeDir(m_root / dir);
    }
    ::WritePrivateProfileStringA("Directory", "MoveDir", (m_root / "move").c_str(), install.IniPath().c_str());
    ::WritePrivateProfileStringA("Directory", "CopyDir", (m_root / "copy").c_str(), install.IniPath().c_str());
    ::WritePrivateProfileStringA("Directory", "TrashDir", (m_root / "trash").c_str(), install.IniPath().c_str());
    const std::pair<const char*, uint32_t> pictures[] = {
        {"a.bmp", 0xFF0000}, {"b.bmp", 0x00FF00}, {"c.bmp", 0x0000FF}, {"d.bmp", 0xFFFF00}, {"f.bmp", 0x00FFFF}};
    for (const auto& [name, rgb] : pictures) {
        test::WriteFileBytes(pics + "\\" + name, SolidBmp(rgb));
    }
    test::MakeDir(pics + "\\photos");
    test::WriteFileBytes(pics + "\\photos\\in.bmp", SolidBmp(0x808080));

    ASSERT_TRUE(m_viewer.Start(install));
    m_viewer.Key(VK_DOWN);
    ASSERT_EQ(SelectedEntry(), "a.bmp");

    // Each browser opens on the present target; Down picks the folder after it.
    Browse('M', "move", kMovePrompt, {VK_DOWN, VK_RETURN});
    EXPECT_EQ(SelectedEntry(), "a.bmp") << "the same entry after the list is read again";
    m_viewer.Key('M');
    Browse(VK_INSERT, "move2", kMovePrompt, {VK_DOWN, VK_ESCAPE});  // cancelled: nothing changes
    m_viewer.Key('M');
    Browse('C', "copy", kCopyPrompt, {VK_DOWN, VK_RETURN});
    m_viewer.Key('C');
    Browse('T', "trash", kTrashPrompt, {VK_DOWN, VK_RETURN});
    m_viewer.Key(VK_DELETE);
    EXPECT_EQ(m_viewer.ListEntries(), (Strings{"[ photos ]", "d.bmp", "f.bmp"}));
    EXPECT_EQ(test::ListNames(m_root / "move2"), (Strings{"a.bmp", "b.bmp"}));
    EXPECT_EQ(test::ListNames(m_root / "copy2"), Strings{"c.bmp"});
    EXPECT_EQ(test::ListNames(m_root / "trash2"), Strings{"c.bmp"});

    // d.bmp becomes e.bmp: the dialog opens with the name, the caret goes before the dot.
    EXPECT_EQ(SelectedEntry(), "d.bmp");
    EXPECT_EQ(Rename({VK_END, VK_LEFT, VK_LEFT, VK_LEFT, VK_LEFT, VK_BACK, 'E', VK_RETURN}), "d.bmp");
    EXPECT_EQ(m_viewer.ListEntries(), (Strings{"[ photos ]", "e.bmp", "f.bmp"}));
    EXPECT_EQ(SelectedEntry(), "e.bmp");
    const RECT pane = m_viewer.PaneRect();
    EXPECT_EQ(m_viewer.Pixel((pane.left + pane.right) / 2, (pane.top + pane.bottom) / 2), RGB(0xFF, 0xFF, 0))
        << "and shown";
    // A directory opens without its brackets; the typed name replaces the selected text.
    m_viewer.Key(VK_UP);
    EXPECT_EQ(Rename({'P', 'I', 'C', 'S', VK_RETURN}), "photos");
    EXPECT_EQ(m_viewer.ListEntries(), (Strings{"[ pics ]", "e.bmp", "f.bmp"}));
    EXPECT_EQ(SelectedEntry(), "[ pics ]");
    EXPECT_EQ(Rename({'X', VK_ESCAPE}), "pics");
    EXPECT_EQ(SelectedEntry(), "[ pics ]") << "a cancel leaves the selection";
    // Onto the name of the other picture: it says so, nothing changes, the picture stays selected.
    m_viewer.Key(VK_DOWN);
    EXPECT_EQ(Rename({VK_END, VK_LEFT, VK_LEFT, VK_LEFT, VK_LEFT, VK_BACK, 'F', VK_RETURN}), "e.bmp");
    const HWND told = m_viewer.WaitForDialog("Ixo");
    ASSERT_NE(told, nullptr);
    EXPECT_EQ(e2e::ViewerProcess::MessageText(told),
              "名前を変更できません。同じ名前のファイルかフォルダがあります:\nf.bmp");
    m_viewer.KeyToDialog(told, VK_RETURN);
    EXPECT_TRUE(m_viewer.WaitForDialogClosed("Ixo"));
    EXPECT_EQ(SelectedEntry(), "e.bmp");
    m_viewer.SaveScreenshot(test::ExeDir() + "renamed.bmp");

    m_viewer.Key(VK_F4, false, false, true);
    ASSERT_TRUE(m_viewer.WaitForExit(10000));
    EXPECT_EQ(test::ListNames(pics), (Strings{"Ixo.exe", "Ixo.ini", "IxoUndo.log", "e.bmp", "f.bmp", "pics"}));
    EXPECT_EQ(test::ReadFileBytes(pics + "\\e.bmp"), SolidBmp(0xFFFF00));
    EXPECT_EQ(test::ReadFileBytes(pics + "\\f.bmp"), SolidBmp(0x00FFFF));
    EXPECT_EQ(test::ListNames(pics + "\\pics"), Strings{"in.bmp"});
    EXPECT_EQ(IniValue(install.IniPath(), "MoveDir"), m_root / "move2");
    EXPECT_EQ(IniValue(install.IniPath(), "CopyDir"), m_root / "copy2");
    EXPECT_EQ(IniValue(install.IniPath(), "TrashDir"), m_root / "trash2");
}

}  // namespace
