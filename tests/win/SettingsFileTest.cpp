// The settings file beside the executable: read over the defaults at construction,
// all thirteen keys written back when the main window is destroyed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/ProfileFile.h"
#include "framework/WideText.h"
#include "mainwnd/ViewerDlg.h"
#include "portable/PathUtil.h"
#include "settings/Settings.h"
#include "tests/win/support/TestSupport.h"

namespace {

using Entry = test::IniEntry;

std::string IniPath() {
    return test::ExeDir() + "Ixo.ini";
}

// Opens the main window and closes it again, which writes the settings.
void OpenAndClose() {
    CViewerDlg dlg;
    test::ModalScript().Run(dlg);
}

std::string ValueOf(const std::vector<Entry>& entries, const std::string& section, const std::string& key) {
    for (const auto& [s, k, v] : entries) {
        if (s == section && k == key) {
            return v;
        }
    }
    return "<absent>";
}

void RemoveIni() {
    ::SetFileAttributesA(IniPath().c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(IniPath().c_str());
}

// Temporary files the settings writer left beside the executable.
std::vector<std::string> StrayTempFiles() {
    std::vector<std::string> stray;
    for (const std::string& name : test::ListNames(test::Narrow(RemoveTrailingBackslash(test::Wide(test::ExeDir()))))) {
        if (name.find(".tmp") != std::string::npos) {
            stray.push_back(name);
        }
    }
    return stray;
}

class SettingsFile : public testing::Test {
protected:
    void SetUp() override { RemoveIni(); }
    void TearDown() override { RemoveIni(); }
};

TEST_F(SettingsFile, FirstRunUsesDefaultsAndCreatesAllThirteenKeysInOrder) {
    const std::string dir = test::ExeDir();
    {
        CViewerDlg dlg;
        EXPECT_EQ(dlg.GetSettings().m_strMoveDir, dir + "MoveDir");
        EXPECT_EQ(dlg.GetSettings().m_strTrashDir, dir + "TrashDir");
        EXPECT_EQ(dlg.GetSettings().m_strCopyDir, dir + "CopyDir");
        EXPECT_EQ(dlg.GetSettings().m_strWallPaperDir, dir + "WallPaperDir");
        EXPECT_EQ(dlg.GetSettings().m_strOpenWindowProgram, "explorer");
        EXPECT_EQ(dlg.GetSettings().m_strUrlProgram, "explorer");
        EXPECT_EQ(dlg.GetSettings().m_strUrlMemo, "URLMemo.txt");
        EXPECT_EQ(dlg.GetSettings().m_nDeleteSmallWidth, 320);
        EXPECT_EQ(dlg.GetSettings().m_nDeleteSmallHeight, 240);
        EXPECT_EQ(dlg.GetSettings().m_bAutoRenameAtMove, FALSE);
        EXPECT_EQ(dlg.GetSettings().m_bDeleteImmediate, FALSE);
        EXPECT_EQ(dlg.GetSettings().m_bTrashIdentical, FALSE);
        EXPECT_EQ(dlg.GetSettings().m_bResizeWallPaperToScreenSize, FALSE);
        EXPECT_FALSE(test::FileExists(IniPath())) << "reading must not create the file";
    }
    OpenAndClose();
    const std::vector<Entry> expected = {
        {"Directory", "MoveDir", dir + "MoveDir"},
        {"Directory", "TrashDir", dir + "TrashDir"},
        {"Directory", "CopyDir", dir + "CopyDir"},
        {"Directory", "WallPaperDir", dir + "WallPaperDir"},
        {"Directory", "OpenWindowProgram", "explorer"},
        {"Directory", "URLProgram", "explorer"},
        {"Directory", "URLMemo", "URLMemo.txt"},
        {"Preference", "ResizeWallPaperToScreenSize", "FALSE"},
        {"Preference", "AutoRenameAtMove", "FALSE"},
        {"Preference", "DeleteImmediate", "FALSE"},
        {"Preference", "TrashIdentical", "FALSE"},
        {"DeleteSmall", "Width", "320"},
        {"DeleteSmall", "Height", "240"},
    };
    EXPECT_EQ(test::ReadIniEntries(IniPath()), expected);
    // No temporary file is left beside the settings.
    EXPECT_TRUE(StrayTempFiles().empty());
}

TEST_F(SettingsFile, AReadOnlyFileLeavesNoTemporaryFileBehind) {
    const std::string before = "[Directory]\r\nMoveDir=C:\\kept\r\n";
    test::WriteFileBytes(IniPath(), before);
    ASSERT_TRUE(::SetFileAttributesA(IniPath().c_str(), FILE_ATTRIBUTE_READONLY));
    for (int run = 0; run < 2; ++run) {
        OpenAndClose();
    }
    EXPECT_TRUE(StrayTempFiles().empty());
    EXPECT_EQ(ValueOf(test::ReadIniEntries(IniPath()), "Directory", "MoveDir"), "C:\\kept");
}

// Where no temporary file can be made beside the settings (here: a folder whose path
// leaves no room for a temporary name), the file is written in place.
TEST_F(SettingsFile, WithoutRoomForACopyTheFileIsWrittenInPlace) {
    test::TempDir root("deep");
    const std::string dir = root.Path() + "\\" + std::string(246 - root.Path().size() - 1, 'd');
    ASSERT_EQ(dir.size(), 246u);
    test::MakeDir(dir);
    const std::string ini = dir + "\\Ixo.ini";
    test::WriteFileBytes(ini, "[RegistedDirNum]\r\nNum=0\r\n[Directory]\r\nMoveDir=C:\\old\r\n");
    Settings settings = Settings::Defaults(L"C:\\app");
    settings.Load(test::Wide(ini));
    EXPECT_EQ(settings.m_strMoveDir, "C:\\old");
    settings.m_strMoveDir = "C:\\new";
    settings.m_nDeleteSmallWidth = 99;
    EXPECT_TRUE(settings.Save(test::Wide(ini)));
    const auto entries = test::ReadIniEntries(ini);
    EXPECT_EQ(entries.front(), Entry("RegistedDirNum", "Num", "0"));
    EXPECT_EQ(ValueOf(entries, "Directory", "MoveDir"), "C:\\new");
    EXPECT_EQ(ValueOf(entries, "DeleteSmall", "Width"), "99");
    EXPECT_EQ(test::ListNames(dir), std::vector<std::string>{"Ixo.ini"});
}

TEST_F(SettingsFile, FlagsAreTrueOnlyForExactlyTRUE) {
    test::WriteFileBytes(IniPath(),
                         "[Preference]\r\nResizeWallPaperToScreenSize=true\r\nAutoRenameAtMove=True\r\n"
                         "DeleteImmediate=TRUE\r\n");
    {
        CViewerDlg dlg;
        EXPECT_EQ(dlg.GetSettings().m_bResizeWallPaperToScreenSize, FALSE);
        EXPECT_EQ(dlg.GetSettings().m_bAutoRenameAtMove, FALSE);
        EXPECT_EQ(dlg.GetSettings().m_bDeleteImmediate, TRUE);
    }
    OpenAndClose();
    const auto entries = test::ReadIniEntries(IniPath());
    EXPECT_EQ(ValueOf(entries, "Preference", "ResizeWallPaperToScreenSize"), "FALSE");
    EXPECT_EQ(ValueOf(entries, "Preference", "AutoRenameAtMove"), "FALSE");
    EXPECT_EQ(ValueOf(entries, "Preference", "DeleteImmediate"), "TRUE");
}

TEST_F(SettingsFile, NumbersReplaceTheDefaultOnlyWhenGreaterThanZero) {
    const struct {
        const char* text;
        int width;
    } cases[] = {{"0", 320}, {"-5", 320}, {"abc", 320}, {"640px", 640}, {"  77", 77}, {"", 320}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        test::WriteFileBytes(IniPath(), std::string("[DeleteSmall]\r\nWidth=") + c.text + "\r\nHeight=" + c.text + "\r\n");
        CViewerDlg dlg;
        EXPECT_EQ(dlg.GetSettings().m_nDeleteSmallWidth, c.width);
        EXPECT_EQ(dlg.GetSettings().m_nDeleteSmallHeight, c.width == 320 ? 240 : c.width);
    }
}

TEST_F(SettingsFile, EmptyAndOverlongValues) {
    const std::string longPath = "C:\\" + std::string(297, 'p');  // 300 bytes
    test::WriteFileBytes(IniPath(), "[Directory]\r\nMoveDir=\r\nCopyDir=" + longPath + "\r\nURLMemo=メモ.txt\r\n");
    {
        CViewerDlg dlg;
        EXPECT_EQ(dlg.GetSettings().m_strMoveDir, "");
        EXPECT_EQ(dlg.GetSettings().m_strCopyDir, longPath) << "read whole";
        EXPECT_EQ(dlg.GetSettings().m_strUrlMemo, "メモ.txt");
    }
    OpenAndClose();
    const auto entries = test::ReadIniEntries(IniPath());
    EXPECT_EQ(ValueOf(entries, "Directory", "MoveDir"), "");
    EXPECT_EQ(ValueOf(entries, "Directory", "CopyDir"), longPath);
    EXPECT_EQ(ValueOf(entries, "Directory", "URLMemo"), "メモ.txt");
}

TEST_F(SettingsFile, OtherSectionsAreLeftAsTheyAre) {
    test::WriteFileBytes(IniPath(),
                         "[RegistedDirNum]\r\nNum=2\r\n[RegistedDirPath]\r\nDir0=C:\\表示\r\nDir1=D:\\x\r\n"
                         "[Directory]\r\nMoveDir=C:\\sorted\r\n");
    OpenAndClose();
    const auto entries = test::ReadIniEntries(IniPath());
    ASSERT_GE(entries.size(), 3u + 13u);
    EXPECT_EQ(entries[0], Entry("RegistedDirNum", "Num", "2"));
    EXPECT_EQ(entries[1], Entry("RegistedDirPath", "Dir0", "C:\\表示"));
    EXPECT_EQ(entries[2], Entry("RegistedDirPath", "Dir1", "D:\\x"));
    EXPECT_EQ(ValueOf(entries, "Directory", "MoveDir"), "C:\\sorted");
    EXPECT_EQ(entries.size(), 16u);
}

TEST_F(SettingsFile, TheFileBesideTheExecutableIsUsedFromAnyWorkingDirectory) {
    test::TempDir elsewhere("cwd");
    char previous[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryA(elsewhere.Path().c_str()));
    test::WriteFileBytes(IniPath(), "[Directory]\r\nTrashDir=C:\\trash\r\n");
    {
        CViewerDlg dlg;
        EXPECT_EQ(dlg.GetIniFilePath(), test::Wide(IniPath()));
        EXPECT_EQ(dlg.GetSettings().m_strTrashDir, "C:\\trash");
    }
    OpenAndClose();
    ::SetCurrentDirectoryA(previous);
    EXPECT_FALSE(test::FileExists(elsewhere / "Ixo.ini"));
    EXPECT_EQ(ValueOf(test::ReadIniEntries(IniPath()), "Directory", "TrashDir"), "C:\\trash");
}

// The profile functions through a wide path (a folder code page 932 cannot hold): the file
// gets the bytes the A functions write for the same code-page-932 values, and a file of
// such bytes reads the same both ways.
TEST(ProfileFile, AWidePathKeepsTheFileInCodePage932) {
    test::TempDir dir;
    const std::wstring folder = fw::Widen932(dir.Path()) + L"\\\u8A2D\u5B9A\U0001F642";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring wide = folder + L"\\Ixo.ini";
    const std::string narrow = dir / "a.ini";
    const std::pair<const char*, std::string> values[] = {
        {"MoveDir", "C:\\表\\ソ能"}, {"Kana", "ｶﾅ ﾊﾞｰｼﾞｮﾝ"}, {"Nec", "\x87\x90①\x81\x60"}, {"Empty", ""}, {"Ascii", "x=y;z"},
    };
    std::vector<fw::ProfileEdit> edits;
    for (const auto& [key, value] : values) {
        ::WritePrivateProfileStringA("Directory", key, value.c_str(), narrow.c_str());
        edits.push_back(fw::ProfileEdit::Set("Directory", key, value));
    }
    ::WritePrivateProfileSectionA("Jump", "1=C:\\壁紙\0" "2=ｶﾅ\0", narrow.c_str());
    ::WritePrivateProfileStringA("Directory", "Ascii", nullptr, narrow.c_str());
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, narrow.c_str());
    edits.push_back(fw::ProfileEdit::ReplaceSection("Jump", {"1=C:\\壁紙", "2=ｶﾅ"}));
    edits.push_back(fw::ProfileEdit::Delete("Directory", "Ascii"));
    ASSERT_TRUE(fw::WriteProfile(wide, edits));

    const std::string copied = dir / "b.ini";
    ASSERT_TRUE(::CopyFileW(wide.c_str(), fw::Widen932(copied).c_str(), FALSE));
    const std::string bytes = test::ReadFileBytes(narrow);
    EXPECT_NE(bytes.find("ｶﾅ ﾊﾞｰｼﾞｮﾝ"), std::string::npos);
    EXPECT_EQ(test::ReadFileBytes(copied), bytes);

    // Read back: each value as the A functions read it from the file they wrote.
    for (const auto& [key, value] : values) {
        char expected[256] = {};
        ::GetPrivateProfileStringA("Directory", key, "absent", expected, sizeof expected, narrow.c_str());
        EXPECT_EQ(fw::ReadProfileString(wide, "Directory", key, "absent"), expected) << key;
    }
    EXPECT_EQ(fw::ReadProfileString(wide, "Directory", "MoveDir", ""), "C:\\表\\ソ能");
    EXPECT_EQ(fw::ReadProfileString(wide, "Directory", "Missing", "既定"), "既定");
    EXPECT_EQ(fw::ReadProfileSection(wide, "Jump"), (std::vector<std::string>{"1=C:\\壁紙", "2=ｶﾅ"}));
}

}  // namespace
