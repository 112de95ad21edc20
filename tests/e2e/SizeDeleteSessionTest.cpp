// Size-judged deletion in the real program with real keys: Shift-Ctrl-T, the three
// passes chosen from the menu by keyboard and confirmed (a picture past the shipped
// plug-in's output limit stays, a folder of files no decoder reads is left whole),
// Escape held down and the window closed during a pass,
// and a refused kill, each named in the closing message.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/data/BmpFiles.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/TestSupport.h"
#include "tests/win/support/WicPictures.h"
#include "undo/JournalText.h"

namespace {

using Strings = std::vector<std::string>;

constexpr char kFinished[] = "処理終了しました。";

std::string Picture(int width, int height) {
    return testdata::MakeBmp24(width, height, [](int x, int y) { return testdata::Rgb(x * 9, y * 7, 99); });
}

// A TIFF whose rows exceed what the shipped plug-in hands out in this tree's process
// (256 MiB in a 32-bit one, 2 GiB in a 64-bit one); it holds its first row only.
std::string PictureTooLargeToDecode() {
#ifdef _WIN64
    return test::MakeTiffClaimingSize(27000, 27000);
#else
    return test::MakeTiffClaimingSize(9500, 9500);
#endif
}

class SizeDeleteSession : public testing::Test {
protected:
    void SetUp() override {
        test::MakeDir(m_root / "move");
        test::MakeDir(m_root / "xdg");
        // The shell's recycle bin under Wine is the host's trash below XDG_DATA_HOME: keep it here.
        ::SetEnvironmentVariableA("XDG_DATA_HOME", test::UnixPathOf(m_root / "xdg").c_str());
    }
    void TearDown() override { ::SetEnvironmentVariableA("XDG_DATA_HOME", nullptr); }

    void Write(const std::string& name, const std::string& bytes) const {
        test::WriteFileBytes(m_install.PictureDir() + "\\" + name, bytes);
    }
    bool Exists(const std::string& name) const { return test::FileExists(m_install.PictureDir() + "\\" + name); }
    void Settings(bool deleteImmediate) const {
        const std::string ini = m_install.IniPath();
        ::WritePrivateProfileStringA("Directory", "MoveDir", (m_root / "move").c_str(), ini.c_str());
        ::WritePrivateProfileStringA("Preference", "DeleteImmediate", deleteImmediate ? "TRUE" : "FALSE", ini.c_str());
    }
    // Chooses a menu item by keyboard: Alt, Right to the menu, Return, Down to the item.
    static void Menu(e2e::ViewerProcess& viewer, int menu, int item) {
        viewer.Key(VK_MENU);
        for (int i = 0; i < menu; ++i) {
            viewer.Key(VK_RIGHT);
        }
        viewer.Key(VK_RETURN);
        for (int i = 0; i < item; ++i) {
            viewer.Key(VK_DOWN);
        }
        viewer.Key(VK_RETURN);
    }
    // Starts the pass of the "ツール" menu and confirms it.
    static void StartPass(e2e::ViewerProcess& viewer, int item) {
        Menu(viewer, 3, item);
        HWND confirm = viewer.WaitForDialog("確認");
        ASSERT_NE(confirm, nullptr);
        viewer.KeyToDialog(confirm, VK_RETURN);
    }
    // Answers the closing message of a pass, after a screenshot when a file is named; its text.
    static std::string Finish(e2e::ViewerProcess& viewer, const std::string& screenshot = std::string()) {
        HWND box = viewer.WaitForDialog("Ixo", 60000);
        EXPECT_NE(box, nullptr);
        if (box == nullptr) {
            return {};
        }
        if (!screenshot.empty()) {
            viewer.SaveScreenshot(test::ExeDir() + screenshot);
        }
        const std::string text = e2e::ViewerProcess::MessageText(box);
        viewer.KeyToDialog(box, VK_RETURN);
        return text;
    }
    // Waits until the title shows a pass judging pictures.
    static bool WaitForPass(const e2e::ViewerProcess& viewer) {
        for (int i = 0; i < 2000 && viewer.Caption().find("判定") == std::string::npos; ++i) {
            ::Sleep(5);
        }
        return viewer.Caption().find("判定") != std::string::npos;
    }

    test::TempDir m_root{"e2e-size"};
    e2e::Installation m_install{m_root.Path()};
};

TEST_F(SizeDeleteSession, ShiftCtrlTAndTheThreePassesFromTheMenu) {
    const std::string big = Picture(400, 300);
    const std::string pano = PictureTooLargeToDecode();
    for (const char* dir : {"sub", "gone", "kept"}) {
        test::MakeDir(m_install.PictureDir() + "\\" + dir);
    }
    Write("sub\\s.bmp", Picture(8, 8));
    Write("sub\\big.bmp", big);
    Write("gone\\t.bmp", Picture(8, 8));
    Write("sub\\pano2.tif", pano);
    Write("kept\\t.bmp", Picture(8, 8));
    // Emptied of its pictures, the folder keeps what else is in it, and stays.
    Write("kept\\readme.txt", "not a picture");
    // A folder that lists no picture is never touched.
    test::MakeDir(m_install.PictureDir() + "\\raw");
    Write("raw\\a.CR2", "a camera's raw file");
    Write("raw\\b.mp4", "a film");
    Write("a.bmp", Picture(8, 8));
    Write("b.bmp", big);
    Write("c.bmp", Picture(300, 8));
    Write("pano.tif", pano);
    Settings(true);

    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(m_install));
    viewer.Key(VK_END);
    viewer.Key(VK_UP);
    viewer.Key('T', true, true);
    EXPECT_FALSE(Exists("c.bmp"));
    EXPECT_EQ(viewer.ListEntries().size(), 7u);

    Menu(viewer, 1, 1);  // "設定" → "削除判定サイズ"
    HWND dialog = viewer.WaitForDialog("サイズ判定削除設定");
    ASSERT_NE(dialog, nullptr);
    viewer.SaveScreenshot(test::ExeDir() + "threshold.bmp");
    viewer.KeyToDialog(dialog, VK_ESCAPE);

    StartPass(viewer, 0);  // the listed pictures: a.bmp goes, the picture past the limit stays
    EXPECT_EQ(Finish(viewer), kFinished);
    EXPECT_FALSE(Exists("a.bmp"));
    EXPECT_EQ(test::ReadFileBytes(m_install.PictureDir() + "\\pano.tif"), pano);
    const std::string keptFolder = std::string(kFinished) + "\nほかのファイルが残るため残したフォルダ: 1 件";
    StartPass(viewer, 1);  // the tree: sub\s.bmp goes, and the emptied gone\ with it
    EXPECT_EQ(Finish(viewer), keptFolder);
    EXPECT_FALSE(Exists("sub\\s.bmp"));
    EXPECT_EQ(test::ReadFileBytes(m_install.PictureDir() + "\\sub\\pano2.tif"), pano);
    EXPECT_FALSE(test::DirExists(m_install.PictureDir() + "\\gone"));
    EXPECT_FALSE(Exists("kept\\t.bmp"));
    EXPECT_EQ(test::ReadFileBytes(m_install.PictureDir() + "\\kept\\readme.txt"), "not a picture");
    EXPECT_EQ(test::ListNames(m_install.PictureDir() + "\\raw"), (Strings{"a.CR2", "b.mp4"}));
    StartPass(viewer, 2);  // the tree again, moving what stays
    EXPECT_EQ(Finish(viewer), kFinished);
    Strings entries = viewer.ListEntries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (Strings{"[ kept ]", "[ raw ]"}));
    viewer.Key(VK_F4, false, false, true);
    ASSERT_TRUE(viewer.WaitForExit(10000));
    EXPECT_EQ(test::ListNames(m_install.PictureDir()), (Strings{"Ixo.exe", "Ixo.ini", "IxoUndo.log", "kept", "raw"}));
    EXPECT_EQ(test::ReadFileBytes(m_install.PictureDir() + "\\raw\\a.CR2"), "a camera's raw file");
    EXPECT_EQ(test::ListNames(m_root / "move"), (Strings{"b.bmp", "big.bmp", "pano.tif", "pano2.tif"}));
    EXPECT_EQ(test::ReadFileBytes(m_root / "move\\big.bmp"), big);
    EXPECT_EQ(test::ReadFileBytes(m_root / "move\\pano.tif"), pano);
    // The moving pass recorded its moves for Ctrl-Z; the kills are not recorded.
    Strings moved;
    for (const JournalEntry& entry : ParseJournal(test::ReadFileBytes(m_install.PictureDir() + "\\IxoUndo.log")).live) {
        EXPECT_EQ(entry.op, FileOp::kMove);
        moved.push_back(entry.to.substr(entry.to.find_last_of('\\') + 1));
    }
    EXPECT_EQ(moved, (Strings{"big.bmp", "pano2.tif", "b.bmp", "pano.tif"})) << "sub-folders first";
}

TEST_F(SizeDeleteSession, EscapeOrClosingStopsAPassAndARefusedKillEndsIt) {
    constexpr int kPictures = 300;
    const std::string small = Picture(8, 8);
    for (int i = 0; i < kPictures; ++i) {
        Write("p" + std::to_string(1000 + i) + ".bmp", small);
    }
    auto left = [&] { return static_cast<int>(test::ListNames(m_install.PictureDir()).size()) - 2; };
    Settings(true);
    {
        e2e::ViewerProcess viewer;
        ASSERT_TRUE(viewer.Start(m_install));
        StartPass(viewer, 0);
        ASSERT_TRUE(WaitForPass(viewer));
        test::SendKey(VK_ESCAPE, true);
        EXPECT_EQ(Finish(viewer), std::string(kFinished) + "\nEscキーで中断しました。");
        test::SendKey(VK_ESCAPE, false);
        // The next pass looks at Escape as it goes: it must have seen the key let go.
        for (int i = 0; i < 400 && (::GetAsyncKeyState(VK_ESCAPE) & 0x8000) != 0; ++i) {
            ::Sleep(5);
        }
        ASSERT_EQ(::GetAsyncKeyState(VK_ESCAPE) & 0x8000, 0);
        const int afterEscape = left();
        EXPECT_GT(afterEscape, 0) << "stopped before the end";
        EXPECT_LT(afterEscape, kPictures);

        // As many pictures again, so that the close comes while the pass still has work.
        for (int i = 0; i < kPictures; ++i) {
            Write("q" + std::to_string(1000 + i) + ".bmp", small);
        }
        viewer.Key(VK_F5);
        const int beforeClose = left();
        StartPass(viewer, 0);
        ASSERT_TRUE(WaitForPass(viewer)) << left() << " of " << beforeClose << " left";
        viewer.Key(VK_F4, false, false, true);
        EXPECT_TRUE(viewer.IsRunning()) << "the program waits for the pass";
        EXPECT_EQ(Finish(viewer), std::string(kFinished) + "\nウィンドウを閉じたため中断しました。");
        ASSERT_TRUE(viewer.WaitForExit(10000)) << "and then closes";
        EXPECT_GT(left(), 0) << "the pass stopped at the close";
        EXPECT_LT(left(), beforeClose);
    }
    Settings(false);
    const int before = left();
    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(m_install));
    StartPass(viewer, 0);
    HWND refusal = viewer.WaitForDialog("Kill");
    ASSERT_NE(refusal, nullptr);
    viewer.KeyToDialog(refusal, VK_RETURN);
    std::string first;  // the first picture listed
    for (const std::string& name : test::ListNames(m_install.PictureDir())) {
        if (first.empty() && (name.front() == 'p' || name.front() == 'q')) {
            first = name;
        }
    }
    EXPECT_EQ(Finish(viewer, "refused.bmp"),
              std::string(kFinished) + "\n削除できなかったため中断しました: " + m_install.PictureDir() + "\\" + first);
    EXPECT_EQ(viewer.WaitForDialog("Kill", 0), nullptr) << "told once";
    EXPECT_EQ(left(), before);
    viewer.Key(VK_F4, false, false, true);
    ASSERT_TRUE(viewer.WaitForExit(10000));
}

}  // namespace
