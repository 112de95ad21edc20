// The real program with real keys, where a name, a folder's spelling, a decoder's answer or
// a second volume once led it to another file than the one the user aimed at. Every file's
// fate is checked byte for byte.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/data/BmpFiles.h"
#include "tests/data/OtherHeaderFiles.h"
#include "tests/e2e/support/ViewerProcess.h"
#include "tests/win/support/SpareVolume.h"
#include "tests/win/support/TestSupport.h"

namespace {

using Strings = std::vector<std::string>;

std::string Picture(int width, int height, uint32_t rgb = 0x406080) {
    return testdata::MakeBmp24(width, height, [rgb](int, int) { return rgb; });
}

class NothingDestroyed : public testing::Test {
protected:
    std::string Pics(const std::string& name) const { return m_install.PictureDir() + "\\" + name; }
    void Write(const std::string& name, const std::string& bytes) const { test::WriteFileBytes(Pics(name), bytes); }
    void Settings(const std::string& moveDir) const {
        const std::string ini = m_install.IniPath();
        ::WritePrivateProfileStringA("Directory", "MoveDir", moveDir.c_str(), ini.c_str());
        ::WritePrivateProfileStringA("Directory", "TrashDir", (m_root / "trash").c_str(), ini.c_str());
        ::WritePrivateProfileStringA("Preference", "DeleteImmediate", "TRUE", ini.c_str());
        ::WritePrivateProfileStringA("DeleteSmall", "Width", "20", ini.c_str());
        ::WritePrivateProfileStringA("DeleteSmall", "Height", "20", ini.c_str());
    }
    // Selects the entry shown as `text` with Down from the top.
    static void SelectWithKeys(e2e::ViewerProcess& viewer, const std::string& text) {
        viewer.Key(VK_HOME);
        const Strings entries = viewer.ListEntries();
        const auto at = std::find(entries.begin(), entries.end(), text);
        ASSERT_NE(at, entries.end()) << text;
        for (auto i = entries.begin(); i != at; ++i) {
            viewer.Key(VK_DOWN);
        }
        ASSERT_EQ(viewer.ListEntries()[static_cast<size_t>(viewer.SelectedIndex())], text);
    }
    // A pass of the "ツール" menu (the fourth), confirmed; the text of its closing message.
    static std::string RunPass(e2e::ViewerProcess& viewer, int item) {
        viewer.Key(VK_MENU);
        for (int i = 0; i < 3; ++i) {
            viewer.Key(VK_RIGHT);
        }
        viewer.Key(VK_RETURN);
        for (int i = 0; i < item; ++i) {
            viewer.Key(VK_DOWN);
        }
        viewer.Key(VK_RETURN);
        const HWND confirm = viewer.WaitForDialog("確認");
        EXPECT_NE(confirm, nullptr);
        if (confirm == nullptr) {
            return {};
        }
        viewer.KeyToDialog(confirm, VK_RETURN);
        const HWND done = viewer.WaitForDialog("Ixo", 60000);
        EXPECT_NE(done, nullptr);
        const std::string text = done != nullptr ? e2e::ViewerProcess::MessageText(done) : std::string();
        if (done != nullptr) {
            viewer.KeyToDialog(done, VK_RETURN);
        }
        return text;
    }

    test::TempDir m_root{"e2e-destroyed"};
    e2e::Installation m_install{m_root.Path()};
};

TEST_F(NothingDestroyed, DeleteOnAFolderWhoseNameEndsInADotRemovesThatFolderOnly) {
    test::MakeDir(Pics("foo"));
    Write("foo\\keep.bmp", Picture(30, 30));
    const std::wstring dotted = L"\\\\?\\" + test::Wide(Pics("foo."));
    ASSERT_TRUE(::CreateDirectoryW(dotted.c_str(), nullptr));
    test::WriteFileBytes(dotted + L"\\inside.bmp", Picture(30, 30));
    Settings(m_root / "move");
    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(m_install));
    SelectWithKeys(viewer, "[ foo. ]");
    viewer.KeysAtOnce({{VK_DELETE, true}, {VK_DELETE, false}});
    // The shell asks before it sends the folder to the recycle bin.
    const HWND confirm = viewer.WaitForDialogOtherThan({viewer.Window()});
    ASSERT_NE(confirm, nullptr);
    viewer.KeyToDialog(confirm, VK_RETURN);
    viewer.WaitIdle();
    for (int i = 0; i < 100 && ::GetFileAttributesW(dotted.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) {
        ::Sleep(50);
    }
    EXPECT_EQ(::GetFileAttributesW(dotted.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(test::ReadFileBytes(Pics("foo\\keep.bmp")), Picture(30, 30)) << "the folder without the dot";
    const Strings entries = viewer.ListEntries();
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "[ foo ]"), 1);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "[ foo. ]"), 0);
}

// R onto a taken name says so and changes nothing: the M after it moves the picture R was
// pressed on, not the one whose name was typed.
TEST_F(NothingDestroyed, ARefusedRenameSaysSoAndTheNextMoveTakesThePictureItWasPressedOn) {
    const std::string a = Picture(30, 30, 0x102030);
    const std::string b = Picture(30, 30, 0x405060);
    Write("a.bmp", a);
    Write("b.bmp", b);
    test::MakeDir(m_root / "move");
    Settings(m_root / "move");
    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(m_install));
    SelectWithKeys(viewer, "a.bmp");
    viewer.KeysAtOnce({{'R', true}, {'R', false}});
    const HWND rename = viewer.WaitForDialog("リネーム");
    ASSERT_NE(rename, nullptr);
    viewer.KeyToDialog(rename, VK_END);
    for (int i = 0; i < 5; ++i) {
        viewer.KeyToDialog(rename, VK_BACK);  // "a.bmp" away
    }
    for (const WORD key : {WORD{'B'}, WORD{VK_DECIMAL}, WORD{'B'}, WORD{'M'}, WORD{'P'}}) {
        viewer.KeyToDialog(rename, key);
    }
    viewer.KeyToDialog(rename, VK_RETURN);
    const HWND told = viewer.WaitForDialog("Ixo");
    ASSERT_NE(told, nullptr);
    EXPECT_NE(e2e::ViewerProcess::MessageText(told).find("b.bmp"), std::string::npos);
    viewer.KeyToDialog(told, VK_RETURN);
    viewer.WaitIdle();
    viewer.Key('M');
    EXPECT_EQ(test::ListNames(m_root / "move"), Strings{"a.bmp"});
    EXPECT_EQ(test::ReadFileBytes(m_root / "move\\a.bmp"), a);
    EXPECT_EQ(test::ReadFileBytes(Pics("b.bmp")), b);
}

// A list pass over a picture no decoder here reads (a WebP saved as .jpg) and a small BMP:
// only the BMP goes.
TEST_F(NothingDestroyed, AListPassKeepsAPictureNoDecoderHereReads) {
    const std::string webp = testdata::MakeWebpLossy(1600, 1200);
    Write("photo.jpg", webp);
    Write("small.bmp", Picture(8, 8));
    Settings(m_root / "move");
    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(m_install));
    EXPECT_EQ(RunPass(viewer, 0).find("処理終了しました。"), 0u);
    EXPECT_EQ(test::ReadFileBytes(Pics("photo.jpg")), webp);
    EXPECT_FALSE(test::FileExists(Pics("small.bmp")));
}

// The move folder is a folder of the tree reached through another drive letter: the moving
// tree pass leaves it and what it holds untouched.
TEST_F(NothingDestroyed, TheMovingPassLeavesTheMoveFolderReachedThroughADriveLetterAlone) {
    test::MakeDir(Pics("sorted"));
    const std::string own = Picture(8, 8, 0x0000FF);
    Write("sorted\\own.bmp", own);
    Write("big.bmp", Picture(40, 40));
    const test::FolderDrive drive(Pics("sorted"));
    if (!drive.IsReady()) {
        GTEST_SKIP() << drive.Why();
    }
    Settings(drive.Root() + "\\");
    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(m_install));
    RunPass(viewer, 2);
    EXPECT_EQ(test::ReadFileBytes(Pics("sorted\\own.bmp")), own) << "the move folder's own small picture";
    EXPECT_FALSE(test::FileExists(Pics("sorted\\own_0000.BMP")));
}

// M of a read-only picture into a folder on another volume: the copy made there is taken
// back when the picture cannot leave, so exactly one file is left.
TEST_F(NothingDestroyed, MovingAReadOnlyPictureToAnotherVolumeLeavesOneFile) {
    const test::SpareVolume volume;
    if (!volume.IsReady()) {
        GTEST_SKIP() << volume.Why();
    }
    const std::string a = Picture(30, 30);
    Write("a.bmp", a);
    ASSERT_TRUE(::SetFileAttributesA(Pics("a.bmp").c_str(), FILE_ATTRIBUTE_READONLY));
    Settings(volume.Root() + "\\");
    e2e::ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(m_install));
    SelectWithKeys(viewer, "a.bmp");
    viewer.KeysAtOnce({{'M', true}, {'M', false}});
    const HWND failed = viewer.WaitForDialog("Error");
    ASSERT_NE(failed, nullptr);
    viewer.KeyToDialog(failed, VK_RETURN);
    viewer.WaitIdle();
    ::SetFileAttributesA(Pics("a.bmp").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(test::ReadFileBytes(Pics("a.bmp")), a);
    EXPECT_TRUE(test::ListNames(volume.Root()).empty()) << "no copy left on the other volume";
}

}  // namespace
