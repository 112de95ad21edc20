// Size-judged deletion through the shipped plug-in over pictures it cannot decode: a
// picture of a format no decoder here reads (a WebP saved as .jpg, as web downloads
// often are) is judged by the size its header names, or kept; so is a file another
// program holds. Only data that holds no picture, or a picture its own decoder found
// damaged, counts as 0 x 0.
#include <gtest/gtest.h>

#include <map>

#include "host/KeyTable.h"
#include "res/resource.h"
#include "tests/data/OtherHeaderFiles.h"
#include "tests/data/TestPicture.h"
#include "tests/win/support/ViewerFixture.h"

namespace {

using Strings = std::vector<std::string>;

class SizeDeleteFormats : public test::ViewerFixture {
protected:
    // Every file in the picture folder with its bytes.
    std::map<std::string, std::string> Files() const {
        std::map<std::string, std::string> files;
        for (const std::string& name : test::ListNames(m_pics.Path())) {
            files[name] = test::ReadFileBytes(Pic(name));
        }
        return files;
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        test::WriteFileBytes(Pic(name), bytes);
        return bytes;
    }
    static Strings Texts(const test::PromptRecorder& prompts) {
        Strings texts;
        for (const fw::MessageBoxCall& m : prompts.messages) {
            texts.push_back(m.text);
        }
        return texts;
    }
};

TEST_F(SizeDeleteFormats, PicturesNoDecoderHereReadsAreJudgedByTheirHeaderOrKept) {
    UseShippedPlugins();
    std::string noise(3000, '\0');
    for (size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<char>(i * 37 + 11);
    }
    std::map<std::string, std::string> kept = {
        {"photo.jpg", Write("photo.jpg", testdata::MakeWebpLossy(1600, 1200))},
        {"shot.jpg", Write("shot.jpg", testdata::MakeHeif("crx ", {"isom"}, 6000, 4000))},       // no size to read
        {"turned.jpg", Write("turned.jpg", testdata::MakeHeif("heic", {"mif1"}, 300, 400, 1))},  // 400 x 300
        {"locked.jpg", Write("locked.jpg", testdata::MakeWebpLossy(8, 8))},
    };
    Write("tiny.jpg", testdata::MakeWebpLossless(100, 80));  // small by its header
    Write("garbage.jpg", noise);                             // no picture
    Write("damaged.jpg", "\xFF\xD8\xFF" + noise);            // broken
    WriteBmp("small.bmp", 8, 8, 0x406080);
    HANDLE lock = ::CreateFileA(Pic("locked.jpg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        dlg.GetSettings().m_bDeleteImmediate = TRUE;
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        ASSERT_EQ(Entries(dlg), (Strings{"damaged.jpg", "garbage.jpg", "locked.jpg", "photo.jpg", "shot.jpg",
                                         "small.bmp", "tiny.jpg", "turned.jpg"}));
        // Shift-Ctrl-T on the WebP: it stays, and the next entry is selected.
        dlg.Folder().Select(3);
        dlg.Pane().ShowSelected();
        dlg.SendMessage(WM_COMMAND, KeyCommandId(KeyCommand::kSizeDeleteSelected));
        EXPECT_EQ(dlg.Folder().SelectedIndex(), 4);
        EXPECT_EQ(Entries(dlg).size(), 8u);
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_ALL);
        EXPECT_EQ(Entries(dlg), (Strings{"locked.jpg", "photo.jpg", "shot.jpg", "turned.jpg"}));
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_RECURSIVE);
    });
    ::CloseHandle(lock);
    EXPECT_EQ(Files(), kept) << "byte for byte";
    const std::string finished = "処理終了しました。\n読めなかったため残した画像: 2 枚";
    EXPECT_EQ(Texts(prompts), (Strings{"全ファイルについて、サイズ判定削除を行います。\nよろしいですか？", finished,
                                       "再起的サイズ判定削除を行います。\nよろしいですか？", finished}));
}

// A plug-in that takes the pictures by their content but refuses them stands before the
// one that reads them: Shift-Ctrl-T and the pass judge each picture as the one that reads
// it does, and only what neither reads counts as no picture.
TEST_F(SizeDeleteFormats, APictureOnePluginRefusesIsJudgedByTheOneThatReadsIt) {
    const std::string ext = std::string(".") + kSpiPluginExtension;
    UsePlugins({"failinfo=1" + ext, "tpi=2" + ext});
    const std::map<std::string, std::string> kept = {
        {"big.tpi", Write("big.tpi", test::MakeSolidTestPicture(400, 300, 0x808080))}};
    Write("small.tpi", test::MakeSolidTestPicture(10, 10, 0x808080));
    Write("text.tpi", "no picture at all");
    test::PromptRecorder prompts;
    WithViewer([&](CViewerDlg& dlg) {
        dlg.GetSettings().m_bDeleteImmediate = TRUE;
        dlg.Folder().Open(test::Wide(m_pics.Path()));
        ASSERT_EQ(dlg.GetPlugins().Count(), 2);
        ASSERT_TRUE(dlg.GetPlugins().At(0)->GetLibPath().ends_with(test::Wide("1" + ext))) << "the refusing one first";
        ASSERT_EQ(Entries(dlg), (Strings{"big.tpi", "small.tpi", "text.tpi"}));
        dlg.Folder().Select(0);
        dlg.Pane().ShowSelected();
        dlg.SendMessage(WM_COMMAND, KeyCommandId(KeyCommand::kSizeDeleteSelected));
        EXPECT_EQ(Entries(dlg).size(), 3u) << "Shift-Ctrl-T kept it";
        dlg.SendMessage(WM_COMMAND, ID_MENU_SIZEDELETE_ALL);
        EXPECT_EQ(Entries(dlg), (Strings{"big.tpi"}));
    });
    EXPECT_EQ(Files(), kept);
    EXPECT_EQ(Texts(prompts),
              (Strings{"全ファイルについて、サイズ判定削除を行います。\nよろしいですか？", "処理終了しました。"}));
}

}  // namespace
