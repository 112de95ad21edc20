// W, F12 and Return through real keystrokes: the written files read back pixel by pixel,
// the recorded wallpaper changes, and failures that leave existing files alone. The files
// of the first test are also left in identify\ with a list of what they must show, which
// ctest then has ImageMagick check (check-identify).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <numeric>

#include "image/BmpLayout.h"
#include "tests/data/BmpFiles.h"
#include "tests/data/TestPicture.h"
#include "tests/win/support/ViewerFixture.h"
#include "tests/win/support/WicPictures.h"

namespace {

using test::ModalScript;
using Strings = std::vector<std::string>;
using Colour = std::function<uint32_t(int x, int y)>;

// A wallpaper file read back: its headers and the colour of any canvas pixel.
class WrittenBmp {
public:
    explicit WrittenBmp(std::string bytes) : m_bytes(std::move(bytes)) {
        if (m_bytes.size() >= 54) {
            file = bmp::ReadFileHeader(Bytes());
            info = bmp::ReadInfoHeader(Bytes().subspan(14));
        }
    }
    size_t Size() const { return m_bytes.size(); }
    uint32_t ColourEntry(uint32_t i) const { return Read32(54 + 4 * uint64_t{i}) & 0xFFFFFF; }
    // The colour at column x of row y, rows counted from the top; ~0 outside the file.
    uint32_t Pixel(int x, int y) const {
        const uint64_t bits = info.bitCount;
        const uint64_t row = file.offBits + uint64_t(info.height - 1 - y) * bmp::RowBytes(info.width, bits);
        const uint64_t at = row + uint64_t(x) * bits / 8;
        if (bits >= 24) {
            return at + 3 <= m_bytes.size() ? testdata::Rgb(Byte(at + 2), Byte(at + 1), Byte(at)) : ~0u;
        }
        const int shift = 8 - int(bits) - int(uint64_t(x) * bits % 8);
        return at < m_bytes.size() ? ColourEntry((Byte(at) >> shift) & ((1u << bits) - 1)) : ~0u;
    }

    bmp::FileHeader file;
    bmp::InfoHeader info;

private:
    std::span<const uint8_t> Bytes() const { return testdata::Bytes(m_bytes); }
    uint8_t Byte(uint64_t at) const { return static_cast<uint8_t>(m_bytes[at]); }
    uint32_t Read32(uint64_t at) const { return at + 4 <= m_bytes.size() ? bmp::ReadU32(&Bytes()[at]) : ~0u; }
    std::string m_bytes;
};

bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int shift : {0, 8, 16}) {
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) {
            return false;
        }
    }
    return true;
}

// One picture W turns into a wallpaper file.
struct Case {
    std::string name;
    int width;
    int height;
    int heldBits;   // the bit count of the rows held, which the file describes
    Colour colour;  // the picture's pixel (x, y) from the top
    int tolerance;  // per channel: lossy pictures
};

class Wallpaper : public test::ViewerFixture {
protected:
    void SetUp() override {
        ViewerFixture::SetUp();
        m_screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
        m_screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
        ASSERT_GT(m_screenWidth, 0);
        ASSERT_GT(m_screenHeight, 0);
    }

    // A script whose first step lists the picture folder with `wallDir` as the wallpaper directory.
    ModalScript Script(const std::string& wallDir) {
        ModalScript script;
        script.Then([this, wallDir](fw::CDialog&) {
            m_dlg.GetSettings().m_strWallPaperDir = wallDir;
            m_dlg.Folder().Open(test::Wide(m_pics.Path()));
            m_dlg.FileList().ListBox().SetFocus();
        });
        return script;
    }
    void Select(ModalScript& script, const std::string& text) {
        script.Then([this, text](fw::CDialog&) {
            const Strings entries = Entries(m_dlg);
            const auto found = std::find(entries.begin(), entries.end(), text);
            ASSERT_NE(found, entries.end()) << text;
            m_dlg.Folder().Select(static_cast<int>(found - entries.begin()));
        });
    }

    // Checks a written file against the canvas arithmetic for this screen, every pixel of
    // it; returns the file for further looks.
    WrittenBmp ExpectWallpaper(const std::string& path, const Case& c) const {
        WrittenBmp bmp(test::ReadFileBytes(path));
        const int64_t w = c.width, h = c.height, sw = m_screenWidth, sh = m_screenHeight;
        int64_t cw = std::max(10000 * w / h > 10000 * sw / sh ? w : h * sw / sh, w);
        int64_t ch = std::max(10000 * w / h > 10000 * sw / sh ? w * sh / sw : h, h);
        EXPECT_EQ(bmp.file.type, 0x4D42) << c.name;
        EXPECT_EQ(bmp.file.size, bmp.Size()) << c.name;
        EXPECT_EQ(bmp.info.width, cw) << c.name;
        EXPECT_EQ(bmp.info.height, ch) << c.name;
        EXPECT_EQ(bmp.info.bitCount, c.heldBits) << c.name;
        EXPECT_EQ(bmp.info.compression, 0u) << c.name;
        const uint64_t table = c.heldBits <= 8 ? (4u << c.heldBits) : 0;
        EXPECT_EQ(bmp.file.offBits, 54 + table) << c.name;
        EXPECT_EQ(bmp.Size(), 54 + table + bmp::RowBytes(cw, c.heldBits) * ch) << c.name;
        if (bmp.info.width != cw || bmp.info.height != ch || bmp.Size() != bmp.file.size) {
            return bmp;
        }
        // The picture starts at whole bytes; its last rows stand next to the larger top margin.
        const int64_t left = (cw - w) / 2 * c.heldBits / 8 * 8 / c.heldBits;
        const int64_t top = ch - (ch - h) / 2 - h;
        const uint32_t margin = c.heldBits <= 8 ? bmp.ColourEntry(0) : 0;
        int wrong = 0;
        for (int64_t y = 0; y < ch && wrong < 5; ++y) {
            for (int64_t x = 0; x < cw && wrong < 5; ++x) {
                const bool inside = x >= left && x < left + w && y >= top && y < top + h;
                const uint32_t expected = inside ? c.colour(int(x - left), int(y - top)) : margin;
                const uint32_t got = bmp.Pixel(int(x), int(y));
                if (!Near(got, expected, inside ? c.tolerance : 0)) {
                    ++wrong;
                    ADD_FAILURE() << c.name << " at " << x << "," << y << ": " << std::hex << got << " instead of "
                                  << expected;
                }
            }
        }
        return bmp;
    }

    CViewerDlg m_dlg;
    test::TempDir m_wall{"wall"};
    int m_screenWidth = 0;
    int m_screenHeight = 0;
};

uint32_t Pattern(int x, int y) {
    return testdata::Rgb(x * 9 + 3, y * 11 + 5, (x * y) | 0x40);
}

// Colours that survive 5-6-5 bits exactly.
uint32_t Primary(int x, int y) {
    constexpr uint32_t kColours[] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0xFF00FF};
    return kColours[(x + 2 * y) % 6];
}

TEST_F(Wallpaper, WWritesEachKindOfPictureOnAScreenShapedCanvas) {
    UseShippedPlugins();
    UsePlugins({"tpi"});
    const std::string out = test::ExeDir() + "identify";
    test::RemoveTree(out);
    test::MakeDir(out);

    const int g = std::gcd(m_screenWidth, m_screenHeight);
    const int k = std::max(1, 40 / (m_screenWidth / g));
    const std::vector<uint32_t> palette16 = testdata::MakePalette(16);
    const Colour paletteColour = [palette16](int x, int y) { return palette16[(x * 3 + y) % 16]; };
    const Colour halves = [](int x, int) { return x < 32 ? testdata::Rgb(220, 30, 30) : testdata::Rgb(30, 40, 210); };
    const Case cases[] = {
        {"wide.bmp", 96, 16, 24, Pattern, 0},
        {"tall.bmp", 12, 40, 24, Pattern, 0},
        {"screen.bmp", m_screenWidth / g * k, m_screenHeight / g * k, 24, Pattern, 0},
        {"short.bmp", 5, 6, 8, paletteColour, 0},
        {"rle4.bmp", 7, 5, 4, paletteColour, 0},
        {"565.bmp", 6, 3, 32, Primary, 0},
        {"photo.jpg", 64, 32, 24, halves, 24},
        {"topdown.tpi", 9, 7, 24, Pattern, 0},
        {"palette.tpi", 11, 3, 8, Primary, 0},
    };
    for (const Case& c : cases) {
        const testdata::PixelFn index = [](int x, int y) { return static_cast<uint32_t>((x * 3 + y) % 16); };
        std::string bytes;
        if (c.name == "short.bmp") {
            testdata::BmpOptions o;
            o.width = c.width, o.height = c.height, o.bitCount = 8, o.clrUsed = 16, o.palette = palette16;
            bytes = testdata::MakeBmp(o, index);
        } else if (c.name == "rle4.bmp") {
            bytes = testdata::MakeBmpRle4(c.width, c.height, palette16, index);
        } else if (c.name == "565.bmp") {
            bytes = testdata::MakeBmp565(c.width, c.height, c.colour);
        } else if (c.name == "photo.jpg") {
            std::string why;
            bytes = test::EncodeWithWic(
                test::WicFormat::kJpeg, c.width, c.height, [&](int x, int y) { return 0xFF000000 | c.colour(x, y); },
                &why);
            ASSERT_FALSE(bytes.empty()) << why;
        } else if (c.name == "topdown.tpi") {
            bytes = test::MakeTestPicture(c.width, c.height, test::kTpTopDown24, c.colour);
        } else if (c.name == "palette.tpi") {
            bytes = test::MakeTestPicture(c.width, c.height, test::kTpPalette8, c.colour);
        } else {
            bytes = testdata::MakeBmp24(c.width, c.height, c.colour);
        }
        test::WriteFileBytes(Pic(c.name), bytes);
    }

    test::PromptRecorder prompts;
    ModalScript script = Script(out);
    for (const Case& c : cases) {
        Select(script, c.name);
        script.Key('W');
    }
    script.Run(m_dlg);
    EXPECT_TRUE(prompts.messages.empty()) << prompts.messages[0].text;
    EXPECT_TRUE(prompts.wallpapers.empty()) << "W leaves the desktop alone";

    std::string manifest;
    for (const Case& c : cases) {
        const std::string name = c.name.substr(0, c.name.find('.')) + ".BMP";
        ASSERT_TRUE(test::FileExists(out + "\\" + name)) << name;
        const WrittenBmp bmp = ExpectWallpaper(out + "\\" + name, c);
        // What the independent decoder must see: the size, a corner and the centre.
        char line[160];
        const int cx = bmp.info.width / 2, cy = bmp.info.height / 2;
        std::snprintf(line, sizeof line, "%s %d %d 0 0 %06X %d %d %06X\n", name.c_str(), int(bmp.info.width),
                      int(bmp.info.height), bmp.Pixel(0, 0), cx, cy, bmp.Pixel(cx, cy));
        manifest += line;
    }
    EXPECT_EQ(test::ListNames(out).size(), std::size(cases)) << "no temporary file is left behind";
    test::WriteFileBytes(out + "\\expected.txt", manifest);
}

TEST_F(Wallpaper, F12AndReturnSetTheWallpaperThroughTheRecordedCall) {
    test::MakeDir(Pic("sub"));
    WriteBmp("a.bmp", 8, 8, 0x112233);
    WriteBmp("b.bmp", 30, 6, 0x445566);
    char windows[MAX_PATH] = {};
    ASSERT_GT(::GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    const std::string returnFile = std::string(windows) + "\\WallPaperCreatedByIXO.bmp";
    ::DeleteFileA(returnFile.c_str());

    test::PromptRecorder prompts;
    ModalScript script = Script(m_wall.Path());
    Select(script, "[ sub ]");
    script.Key('W').Key(VK_F12).Key(VK_RETURN);  // nothing to do on a directory
    Select(script, "a.bmp");
    script.Key('W', false, true);  // Ctrl-W is another command
    script.Then([&](fw::CDialog&) { EXPECT_TRUE(test::ListNames(m_wall.Path()).empty()); });
    script.Key(VK_F12).Key(VK_RETURN);
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(prompts.wallpapers, (Strings{m_wall / "a.BMP", returnFile}));
        EXPECT_EQ(WrittenBmp(test::ReadFileBytes(returnFile)).info.width, 8 * m_screenWidth / m_screenHeight);
    });
    Select(script, "b.bmp");
    script.Key(VK_RETURN);  // replaces the file of the first Return
    script.Then([&](fw::CDialog&) {
        EXPECT_EQ(WrittenBmp(test::ReadFileBytes(returnFile)).info.width, 30);
        prompts.wallpaperTaken = false;
    });
    script.Key(VK_F12).Key(VK_RETURN);
    bool stillOpen = false;
    script.Then([&](fw::CDialog& dlg) { stillOpen = dlg.IsModalRunning(); });
    script.Run(m_dlg);

    EXPECT_TRUE(stillOpen) << "Return never closes the window";
    EXPECT_EQ(prompts.wallpapers.size(), 5u);
    EXPECT_EQ(test::ListNames(m_wall.Path()), (Strings{"a.BMP", "b.BMP"}));
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0].text, "壁紙用ＢＭＰ作成／変更失敗\n");
    EXPECT_EQ(prompts.messages[1].text, "壁紙変更失敗\n");
    for (const fw::MessageBoxCall& m : prompts.messages) {
        EXPECT_EQ(m.caption, "Error");
        EXPECT_EQ(m.type, static_cast<UINT>(MB_OK));
    }
    ::DeleteFileA(returnFile.c_str());
}

TEST_F(Wallpaper, FailedWritesShowTheMessageAndLeaveFilesAlone) {
    WriteBmp("a.bmp", 4, 4, 0x808080);
    WriteBmp("c.bmp", 5, 4, 0x00FF00);
    test::WriteFileBytes(Pic("broken.bmp"), "BM not a picture");
    test::WriteFileBytes(m_wall / "a.BMP", "an older a");
    ::SetFileAttributesA((m_wall / "a.BMP").c_str(), FILE_ATTRIBUTE_READONLY);

    test::PromptRecorder prompts;
    ModalScript script = Script(m_wall.Path());
    Select(script, "a.bmp");
    script.Key('W').Key(VK_F12);  // the target is read-only
    script.Then([&](fw::CDialog&) { m_dlg.GetSettings().m_strWallPaperDir = m_wall / "missing"; });
    script.Key('W').Key(VK_F12);
    script.Then([&](fw::CDialog&) { m_dlg.GetSettings().m_strWallPaperDir.clear(); });
    script.Key('W');
    script.Then([&](fw::CDialog&) { m_dlg.GetSettings().m_strWallPaperDir = m_wall.Path(); });
    Select(script, "broken.bmp");
    script.Key('W');  // no picture is held
    script.Run(m_dlg);

    const char* file = "壁紙用ＢＭＰ作成失敗\n";
    const char* set = "壁紙用ＢＭＰ作成／変更失敗\n";
    Strings texts;
    for (const fw::MessageBoxCall& m : prompts.messages) {
        texts.push_back(m.text);
    }
    EXPECT_EQ(texts, (Strings{file, set, file, set, file, file}));
    EXPECT_TRUE(prompts.wallpapers.empty());
    ::SetFileAttributesA((m_wall / "a.BMP").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(test::ReadFileBytes(m_wall / "a.BMP"), "an older a");
    EXPECT_EQ(test::ListNames(m_wall.Path()), (Strings{"a.BMP"})) << "no temporary file is left behind";
    EXPECT_EQ(test::ListNames(m_pics.Path()), (Strings{"a.bmp", "broken.bmp", "c.bmp"}));
}

// In the folder being viewed "name.BMP" may be another picture: W and F12 write there
// only where the name is free, however the folder is spelled.
TEST_F(Wallpaper, InTheFolderBeingViewedOnlyAFreeNameIsWritten) {
    UsePlugins({"tpi"});
    WriteBmp("c.bmp", 5, 4, 0x00FF00);
    WriteBmp("d.bmp", 3, 3, 0x0000FF);
    WriteTpi("d.tpi", 4, 2, 0xFF0000);
    WriteTpi("e.tpi", 6, 2, 0x808080);
    const std::string c = test::ReadFileBytes(Pic("c.bmp"));
    const std::string d = test::ReadFileBytes(Pic("d.bmp"));
    char shortName[MAX_PATH] = {};
    ASSERT_GT(::GetShortPathNameA(m_pics.Path().c_str(), shortName, MAX_PATH), 0u);
    std::string upper = m_pics.Path();
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char ch) { return char(std::toupper(ch)); });
    const Strings spellings = {m_pics.Path(), m_pics.Path() + "\\", m_pics.Path() + "\\.\\", upper, shortName};
    EXPECT_NE(spellings.back(), spellings.front()) << "a short name of its own";

    test::PromptRecorder prompts;
    ModalScript script = Script(m_pics.Path());
    for (const std::string& spelling : spellings) {
        script.Then([this, spelling](fw::CDialog&) { m_dlg.GetSettings().m_strWallPaperDir = spelling; });
        Select(script, "c.bmp");  // its own file
        script.Key('W').Key(VK_F12);
        Select(script, "d.tpi");  // the picture d.bmp beside it
        script.Key('W').Key(VK_F12);
    }
    Select(script, "e.tpi");
    script.Key('W');  // a free name
    script.Key('W');  // no longer free
    script.Then([this](fw::CDialog&) { m_dlg.GetSettings().m_strWallPaperDir = m_wall.Path(); });
    Select(script, "c.bmp");
    script.Key('W');  // another folder
    script.Run(m_dlg);

    const std::string file = "壁紙用ＢＭＰ作成失敗\n";
    const std::string set = "壁紙用ＢＭＰ作成／変更失敗\n";
    Strings expected;
    for (size_t i = 0; i < spellings.size(); ++i) {
        expected.insert(expected.end(), {file, set, file, set});
    }
    expected.push_back(file);
    Strings texts;
    for (const fw::MessageBoxCall& m : prompts.messages) {
        texts.push_back(m.text);
    }
    EXPECT_EQ(texts, expected);
    EXPECT_TRUE(prompts.wallpapers.empty());
    EXPECT_EQ(test::ReadFileBytes(Pic("c.bmp")), c);
    EXPECT_EQ(test::ReadFileBytes(Pic("d.bmp")), d);
    EXPECT_EQ(test::ListNames(m_pics.Path()), (Strings{"c.bmp", "d.bmp", "d.tpi", "e.BMP", "e.tpi"}))
        << "no temporary file is left behind";
    ExpectWallpaper(Pic("e.BMP"), Case{"e.BMP", 6, 2, 24, [](int, int) { return 0x808080u; }, 0});
    ExpectWallpaper(m_wall / "c.BMP", Case{"c.BMP", 5, 4, 24, [](int, int) { return 0x00FF00u; }, 0});
}

// The wallpaper folder may be a target folder too: a picture sorted there under the name
// W would write is the user's, not the keys'. Only their own files are replaced, also
// Return's in the Windows folder.
TEST_F(Wallpaper, OnlyTheKeysOwnFilesAreReplaced) {
    WriteBmp("a.bmp", 4, 4, 0x808080);
    WriteBmp("b.bmp", 6, 2, 0x0000FF);
    const std::string sorted = testdata::MakeBmp24(3, 3, Pattern);
    test::WriteFileBytes(m_wall / "a.BMP", sorted);
    char windows[MAX_PATH] = {};
    ASSERT_GT(::GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    const std::string returnFile = std::string(windows) + "\\WallPaperCreatedByIXO.bmp";
    test::WriteFileBytes(returnFile, sorted);

    test::PromptRecorder prompts;
    ModalScript script = Script(m_wall.Path());
    Select(script, "a.bmp");
    script.Key('W').Key(VK_F12).Key(VK_RETURN);  // none of the files is theirs
    Select(script, "b.bmp");
    script.Key('W');
    script.Then([&](fw::CDialog&) { ::DeleteFileA(returnFile.c_str()); });
    script.Key(VK_RETURN);
    Select(script, "a.bmp");
    script.Key(VK_F12).Key(VK_RETURN);  // b.BMP is not a.BMP; Return's file is now theirs
    script.Run(m_dlg);

    Strings texts;
    for (const fw::MessageBoxCall& m : prompts.messages) {
        texts.push_back(m.text);
    }
    EXPECT_EQ(texts, (Strings{"壁紙用ＢＭＰ作成失敗\n", "壁紙用ＢＭＰ作成／変更失敗\n", "壁紙変更失敗\n",
                              "壁紙用ＢＭＰ作成／変更失敗\n"}));
    EXPECT_EQ(prompts.wallpapers, (Strings{returnFile, returnFile}));
    EXPECT_EQ(test::ReadFileBytes(m_wall / "a.BMP"), sorted);
    EXPECT_EQ(test::ListNames(m_wall.Path()), (Strings{"a.BMP", "b.BMP"})) << "no temporary file is left behind";
    EXPECT_EQ(WrittenBmp(test::ReadFileBytes(returnFile)).info.height, 4) << "a.bmp replaced b.bmp's file";
    ::DeleteFileA(returnFile.c_str());
}

}  // namespace
