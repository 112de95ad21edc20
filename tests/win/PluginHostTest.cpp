// The plug-in host against real plug-in DLLs built from the test plug-in's variants.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "framework/WideText.h"
#include "image/Decode.h"
#include "image/SpiInput.h"
#include "image/SpiPlugin.h"
#include "image/SpiPluginList.h"
#include "tests/data/BmpFiles.h"
#include "tests/data/TestPicture.h"
#include "tests/win/support/TestSupport.h"
#include "tests/win/support/WicPictures.h"

namespace {

std::string Variant(const std::string& name) {
    return test::BuildDir() + "\\testplugins\\" + name + "." + kSpiPluginExtension;
}

// A loaded test plug-in and a folder of test pictures.
class PluginHost : public testing::Test {
protected:
    std::string Picture(const std::string& name, uint32_t w, uint32_t h, uint32_t rgb,
                        uint32_t mode = test::kTpBottomUp24) {
        const std::string path = m_dir / name;
        test::WriteFileBytes(path, test::MakeSolidTestPicture(w, h, rgb, mode));
        return path;
    }
    test::TempDir m_dir{"spi"};
};

// The colour of a pixel of a decoded 24-bit picture, counted from the top left.
COLORREF PixelOf(const CPicture& picture, int x, int y) {
    const size_t rowBytes = (static_cast<size_t>(picture.Width()) * 3 + 3) / 4 * 4;
    const uint8_t* p = picture.Bits().data() + static_cast<size_t>(picture.Height() - 1 - y) * rowBytes +
                       static_cast<size_t>(x) * 3;
    return RGB(p[2], p[1], p[0]);
}

// The picture's own header (the plug-in's, as the picture holds it).
const BITMAPINFOHEADER& HeaderOf(const CPicture& picture) {
    return *reinterpret_cast<const BITMAPINFOHEADER*>(picture.InfoBytes().data());
}

// What a picture looks like drawn 1:1 into a 32-bit DIB section (rectangle `source` of it,
// else all of it): 0xRRGGBB, row by row from the top.
std::vector<uint32_t> Drawn(const CPicture& picture, std::optional<RECT> source = std::nullopt) {
    const RECT src = source.value_or(RECT{0, 0, picture.Width(), picture.Height()});
    const int w = src.right - src.left;
    const int h = src.bottom - src.top;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC dc = ::CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(dc, dib);
    EXPECT_TRUE(picture.Draw(dc, src, RECT{0, 0, w, h}));
    ::GdiFlush();
    std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + w * h);
    for (uint32_t& p : pixels) {
        p &= 0xFFFFFF;
    }
    ::SelectObject(dc, old);
    ::DeleteObject(dib);
    ::DeleteDC(dc);
    return pixels;
}

TEST_F(PluginHost, LoadAcceptsImageImportersOnly) {
    CSpiPlugin plugin;
    EXPECT_TRUE(plugin.Load(Variant("tpi")));
    EXPECT_TRUE(plugin.IsLoaded());
    EXPECT_EQ(plugin.GetLibPath(), test::Wide(Variant("tpi")));

    for (const char* refused : {"archive", "noinfo"}) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(plugin.Load(Variant(refused)));
        EXPECT_FALSE(plugin.IsLoaded()) << "a refused load leaves the object empty";
        EXPECT_EQ(plugin.GetLibPath(), L"");
    }
    test::WriteFileBytes(m_dir / "garbage.spi", "MZ this is no library");
    EXPECT_FALSE(plugin.Load(m_dir / "garbage.spi"));
    EXPECT_FALSE(plugin.Load(m_dir / "missing.spi"));
    EXPECT_FALSE(plugin.SupportsExtension("TPI")) << "nothing loaded, nothing supported";
}

TEST_F(PluginHost, SupportsExtensionReadsEveryFilterNumber) {
    const struct {
        const char* variant;
        std::vector<std::string> yes;
        std::vector<std::string> no;
    } cases[] = {
        {"jpg", {"jpg", "JPG", "Jpeg", "jpeg"}, {"jp", "jpe", "tpi", ""}},
        {"tif", {"TIF", "tif", "TIFF", "Tiff"}, {"TI", "TIFFF"}},
        {"trail", {"abc", "ABC"}, {"", "ab"}},
        {"dbcs", {"表", "XYZ", "xyz"}, {"ソ", ""}},
    };
    for (const auto& c : cases) {
        CSpiPlugin plugin;
        ASSERT_TRUE(plugin.Load(Variant(c.variant))) << c.variant;
        for (const std::string& ext : c.yes) {
            EXPECT_TRUE(plugin.SupportsExtension(ext)) << c.variant << " " << ext;
        }
        for (const std::string& ext : c.no) {
            EXPECT_FALSE(plugin.SupportsExtension(ext)) << c.variant << " " << ext;
        }
    }
}

TEST_F(PluginHost, EndlessFilterListsAreAskedAtMost256Numbers) {
    CSpiPlugin plugin;
    ASSERT_TRUE(plugin.Load(Variant("endless")));
    EXPECT_TRUE(plugin.SupportsExtension("N2"));
    // Number 2 + 2 * 255 = 512 is the last one asked for.
    EXPECT_TRUE(plugin.SupportsExtension("N512"));
    EXPECT_FALSE(plugin.SupportsExtension("N514"));
    EXPECT_FALSE(plugin.SupportsExtension("JPG"));
}

// The plug-in keeps nothing: each decode is a picture of its own, which outlives the library.
TEST_F(PluginHost, EachDecodeIsAPictureOfItsOwn) {
    CSpiPlugin plugin;
    ASSERT_TRUE(plugin.Load(Variant("tpi")));
    DecodeOutcome first = plugin.Decode(Picture("first.tpi", 2, 3, 0xFF0000));
    const DecodeOutcome second = plugin.Decode(Picture("second.tpi", 5, 7, 0x00FF00));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first.picture.Width(), 2);
    EXPECT_EQ(first.picture.Height(), 3);
    EXPECT_EQ(PixelOf(first.picture, 1, 2), RGB(255, 0, 0)) << "the second decode left the first picture alone";
    EXPECT_EQ(second.picture.Width(), 5);
    EXPECT_EQ(PixelOf(second.picture, 4, 6), RGB(0, 255, 0));
    EXPECT_EQ(first.picture.HeldBytes(), sizeof(BITMAPINFOHEADER) + 3 * 8u);

    plugin.Unload();
    EXPECT_EQ(PixelOf(first.picture, 0, 0), RGB(255, 0, 0)) << "the picture outlives the library";
    const CPicture moved = std::move(first.picture);
    EXPECT_TRUE(first.picture.IsEmpty());
    EXPECT_EQ(first.picture.HeldBytes(), 0u);
    EXPECT_EQ(moved.Width(), 2);
}

TEST_F(PluginHost, FailedDecodesGiveNoPicture) {
    const std::string good = Picture("good.tpi", 4, 4, 0x123456);
    for (const char* variant : {"failinfo", "failpicture", "nopicture"}) {
        SCOPED_TRACE(variant);
        CSpiPlugin plugin;
        ASSERT_TRUE(plugin.Load(Variant(variant)));
        const DecodeOutcome decoded = plugin.Decode(good);
        EXPECT_TRUE(decoded.failure.has_value());
        EXPECT_TRUE(decoded.picture.IsEmpty());
    }
    CSpiPlugin plugin;
    ASSERT_TRUE(plugin.Load(Variant("tpi")));
    // A path that does not fit the picture part is refused.
    EXPECT_FALSE(plugin.Decode(m_dir.Path() + "\\" + std::string(300, 'x') + ".tpi"));
}

// Why a decode failed, in the plug-in's own words, and the size the plug-in reports
// without decoding: what a picture it cannot decode is judged by.
TEST_F(PluginHost, FailedDecodesSayWhyAndTheSizeCanStillBeAsked) {
    CSpiPlugin plugin;
    ASSERT_TRUE(plugin.Load(Variant("tpi")));
    test::WriteFileBytes(m_dir / "text.tpi", "not a test picture");
    test::WriteFileBytes(m_dir / "broken.tpi", "IXTP\x05");
    const std::string locked = Picture("locked.tpi", 4, 4, 0);
    HANDLE lock = ::CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const struct {
        std::string path;
        DecodeFailure failure;
        std::optional<PictureSize> header;
    } cases[] = {
        {m_dir / "text.tpi", DecodeFailure::kNotAPicture, std::nullopt},
        {m_dir / "broken.tpi", DecodeFailure::kBroken, std::nullopt},
        {Picture("big.tpi", 40, 30, 0, test::kTpOutOfMemory), DecodeFailure::kOutOfMemory, PictureSize{40, 30}},
        {Picture("nomem.tpi", 40, 30, 0, test::kTpNoMemoryAtAll), DecodeFailure::kOutOfMemory, std::nullopt},
        {locked, DecodeFailure::kReadError, std::nullopt},
        {m_dir / "missing.tpi", DecodeFailure::kReadError, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(plugin.Decode(c.path).failure, c.failure) << c.path;
        EXPECT_EQ(plugin.ReadHeaderSize(c.path), c.header) << c.path;
    }
    // A plug-in that answers "unknown format" without looking: while another program holds
    // the file, the host cannot read it either, and that is the reason it gives.
    CSpiPlugin refusing;
    ASSERT_TRUE(refusing.Load(Variant("failinfo")));
    EXPECT_EQ(refusing.Decode(locked).failure, DecodeFailure::kReadError);
    EXPECT_EQ(refusing.Decode(m_dir / "missing.tpi").failure, DecodeFailure::kReadError);
    ::CloseHandle(lock);
    EXPECT_EQ(plugin.Decode(locked).failure, std::nullopt);
    EXPECT_EQ(plugin.ReadHeaderSize(locked), (PictureSize{4, 4}));
    CSpiPlugin failing;
    ASSERT_TRUE(failing.Load(Variant("failpicture")));
    EXPECT_EQ(failing.Decode(locked).failure, DecodeFailure::kBroken) << "the plug-in's own answer";
    EXPECT_EQ(refusing.Decode(locked).failure, DecodeFailure::kNotAPicture) << "the plug-in's own answer";
    // Without a decoder nothing is known of a file.
    EXPECT_EQ(DecodePicture(test::Wide(locked), Decoder(), nullptr).failure, DecodeFailure::kUnsupported);
}

// One decoder's "no picture" is its own: the file goes on to every other decoder that
// takes its content (a plug-in whose IsSupported takes its first bytes, the BMP reader for
// a BMP signature), and holds no picture only when each of them says so. A failure that
// is no verdict on the file stands before those that are.
TEST_F(PluginHost, AFileOneDecoderRefusesGoesToTheOthersThatTakeIt) {
    CSpiPluginList list;
    for (const std::string& path : {Variant("failinfo"), Variant("failpicture"), Variant("tpi"), Variant("jpg"),
                                    test::BuildDir() + "\\dist\\SPI\\IXWIC." + kSpiPluginExtension}) {
        CSpiPlugin plugin;
        ASSERT_TRUE(plugin.Load(path)) << path;
        ASSERT_GE(list.Add(std::move(plugin)), 0);
    }
    const Decoder refusing = Decoder::Plugin(list.At(0));
    const Decoder tpi = Decoder::Plugin(list.At(2));
    // A PNG saved as .jpg, as web pictures often are: the JPEG plug-in before IXWIC refuses it.
    test::WriteFileBytes(m_dir / "web.jpg",
                         test::EncodeWithWic(test::WicFormat::kPng, 64, 48, [](int, int) { return 0xFF336699u; }));
    test::WriteFileBytes(m_dir / "bitmap.tpi", testdata::MakeBmp24(20, 10, [](int, int) { return 0x808080u; }));
    test::WriteFileBytes(m_dir / "text.tpi", "not a test picture");
    test::WriteFileBytes(m_dir / "broken.tpi", "IXTP\x05");
    const struct {
        std::string path;
        std::optional<PictureSize> size;
        std::optional<DecodeFailure> failure;
        Decoder by;
    } cases[] = {
        {Picture("big.tpi", 40, 30, 0), PictureSize{40, 30}, std::nullopt, tpi},
        {m_dir / "web.jpg", PictureSize{64, 48}, std::nullopt, Decoder::Plugin(list.At(4))},
        {m_dir / "bitmap.tpi", PictureSize{20, 10}, std::nullopt, Decoder::Bmp()},
        {Picture("oom.tpi", 40, 30, 0, test::kTpOutOfMemory), std::nullopt, DecodeFailure::kOutOfMemory, tpi},
        {m_dir / "text.tpi", std::nullopt, DecodeFailure::kNotAPicture, refusing},
        {m_dir / "broken.tpi", std::nullopt, DecodeFailure::kNotAPicture, refusing},
    };
    HDC screen = ::GetDC(nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const std::wstring path = test::Wide(c.path);
        const AnyDecoderOutcome decoded =
            DecodeByAnyDecoder(path, list.DecoderFor(path), list, screen, {}, DeviceBitmap::kLater);
        EXPECT_EQ(decoded.outcome.failure, c.failure);
        if (c.size) {
            EXPECT_EQ((PictureSize{decoded.outcome.picture.Width(), decoded.outcome.picture.Height()}), *c.size);
        }
        EXPECT_TRUE(decoded.by == c.by);
    }
    ::ReleaseDC(nullptr, screen);
}

// Pictures whose bitmap lies about its own size are refused before a row is read.
TEST_F(PluginHost, HostileBitmapsAreFailedDecodes) {
    CSpiPlugin plugin;
    ASSERT_TRUE(plugin.Load(Variant("tpi")));
    // A single block handed over as header and rows has one owner: refused, released once.
    for (uint32_t mode : {test::kTpShortBits, test::kTpWiderHeader, test::kTpCoreHeaderSize,
                          test::kTpTooManyColours, test::kTpSharedHandle}) {
        SCOPED_TRACE(mode);
        const DecodeOutcome decoded = plugin.Decode(Picture("hostile.tpi", 9, 5, 0x808080, mode));
        EXPECT_EQ(decoded.failure, DecodeFailure::kUnnamed);
        EXPECT_TRUE(decoded.picture.IsEmpty());
    }
    for (uint32_t mode : {test::kTpBottomUp24, test::kTpTopDown24, test::kTpPalette8, test::kTpBgrx32}) {
        SCOPED_TRACE(mode);
        const DecodeOutcome decoded = plugin.Decode(Picture("fine.tpi", 9, 5, 0x808080, mode));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded.picture.Width(), 9);
        EXPECT_EQ(HeaderOf(decoded.picture).biHeight, 5);
    }
}

TEST_F(PluginHost, TopDownPicturesAreTurnedBottomUp) {
    CSpiPlugin plugin;
    ASSERT_TRUE(plugin.Load(Variant("tpi")));
    const std::string path = m_dir / "rows.tpi";
    test::WriteFileBytes(path, test::MakeTestPicture(3, 4, test::kTpTopDown24,
                                                     [](int, int y) { return y == 0 ? 0xFF0000u : 0x0000FFu; }));
    const DecodeOutcome decoded = plugin.Decode(path);
    ASSERT_TRUE(decoded);
    EXPECT_GT(HeaderOf(decoded.picture).biHeight, 0);
    EXPECT_EQ(PixelOf(decoded.picture, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(decoded.picture, 2, 3), RGB(0, 0, 255));
    // A source rectangle counts rows from the top, as for the BMP reader's pictures.
    EXPECT_EQ(Drawn(decoded.picture, RECT{1, 0, 3, 1}), (std::vector<uint32_t>{0xFF0000, 0xFF0000}));
    EXPECT_EQ(Drawn(decoded.picture, RECT{0, 1, 1, 3}), (std::vector<uint32_t>{0x0000FF, 0x0000FF}));
}

// A 32-bit picture with straight alpha is composited on black (here alpha 255, 128, 0 by
// column); one whose alpha bytes are all zero carries no alpha and is drawn opaque.
TEST_F(PluginHost, StraightAlphaIsCompositedOnBlackAndZeroAlphaIsOpaque) {
    CSpiPlugin plugin;
    ASSERT_TRUE(plugin.Load(Variant("tpi")));
    const struct {
        uint32_t mode;
        std::vector<uint32_t> row;
    } cases[] = {
        {test::kTpStraightAlpha32, {0xC86432, 0x643219, 0x000000}},
        {test::kTpBgrx32, {0xC86432, 0xC86432, 0xC86432}},
    };
    for (const auto& c : cases) {
        const DecodeOutcome decoded = plugin.Decode(Picture("alpha.tpi", 3, 2, 0xC86432, c.mode));
        ASSERT_TRUE(decoded) << c.mode;
        std::vector<uint32_t> both = c.row;
        both.insert(both.end(), c.row.begin(), c.row.end());
        EXPECT_EQ(Drawn(decoded.picture), both) << c.mode;
    }
}

TEST_F(PluginHost, MovesHandTheLibraryOver) {
    static_assert(!std::is_copy_constructible_v<CSpiPlugin> && !std::is_copy_assignable_v<CSpiPlugin>,
                  "a plug-in is loaded once: it is never copied");
    const std::string path = Picture("moved.tpi", 6, 2, 0x0000FF);
    CSpiPlugin original;
    ASSERT_TRUE(original.Load(Variant("tpi")));

    CSpiPlugin moved(std::move(original));
    EXPECT_EQ(moved.GetLibPath(), test::Wide(Variant("tpi")));
    EXPECT_FALSE(original.IsLoaded());
    EXPECT_FALSE(original.Decode(path));

    CSpiPlugin assigned;
    ASSERT_TRUE(assigned.Load(Variant("jpg")));
    assigned = std::move(moved);
    EXPECT_EQ(assigned.GetLibPath(), test::Wide(Variant("tpi")));
    EXPECT_TRUE(assigned.SupportsExtension("tpi"));
    EXPECT_EQ(assigned.Decode(path).picture.Height(), 2);
}

TEST_F(PluginHost, ListOwnsPluginsThatKeepTheirAddresses) {
    CSpiPluginList list;
    for (int i = 0; i < 25; ++i) {
        CSpiPlugin probe;
        ASSERT_TRUE(probe.Load(Variant("tpi")));
        EXPECT_EQ(list.Add(std::move(probe)), i);
        if (i == 0) {
            ASSERT_TRUE(list.At(0)->IsLoaded());
        }
    }
    CSpiPlugin* first = list.At(0);
    EXPECT_EQ(list.Count(), 25);
    EXPECT_EQ(list.At(0), first) << "growing the list does not move its elements";
    EXPECT_TRUE(first->IsLoaded());
    list.RemoveAll();
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(PluginHost, DecodersFollowTheExtension) {
    CSpiPluginList list;
    for (const char* variant : {"tpi", "jpg"}) {
        CSpiPlugin plugin;
        ASSERT_TRUE(plugin.Load(Variant(variant)));
        list.Add(std::move(plugin));
    }
    const struct {
        const char* name;
        Decoder expected;
    } cases[] = {
        {"a.bmp", Decoder::Bmp()},       {"C.BmP", Decoder::Bmp()},
        {"b.tpi", Decoder::Plugin(list.At(0))}, {"x.y.JPEG", Decoder::Plugin(list.At(1))},
        {"noext", Decoder{}},            {"end.", Decoder{}},
        {"bmp", Decoder{}},              {"表.jpg", Decoder::Plugin(list.At(1))},
        {"a.bmp.txt", Decoder{}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(list.DecoderFor(c.name), c.expected) << c.name;
    }
    // Names in UTF-16: an extension the ANSI code page cannot hold is nobody's, not even the
    // owner of its best-fit look-alike (jpeg).
    const struct {
        const wchar_t* name;
        Decoder expected;
    } wide[] = {
        {L"x\U0001F642.tpi", Decoder::Plugin(list.At(0))}, {L"caf\u00E9.JPEG", Decoder::Plugin(list.At(1))},
        {L"\uD55C.bmp", Decoder::Bmp()}, {L"a.jp\u00E9g", Decoder{}}, {L"a.tp\U0001F642", Decoder{}},
        {L"noext", Decoder{}},
    };
    for (const auto& c : wide) {
        EXPECT_EQ(list.DecoderFor(std::wstring_view(c.name)), c.expected) << fw::FromWide(c.name, CP_UTF8);
    }
    CSpiPlugin dbcs;
    ASSERT_TRUE(dbcs.Load(Variant("dbcs")));
    EXPECT_TRUE(dbcs.SupportsExtension(std::wstring(L"\u8868")));  // 表
}

// A plug-in built with the natural layout of the picture-info record writes 28 bytes and
// puts its text handle at byte 24: the handle is released, and nothing else is.
TEST_F(PluginHost, TheTextHandleOfANaturalLayoutRecordIsReleased) {
    const std::string path = Picture("natural.tpi", 7, 3, 0x00FF00);
    for (const char* variant : {"natural", "tpi"}) {
        SCOPED_TRACE(variant);
        CSpiPlugin plugin;
        ASSERT_TRUE(plugin.Load(Variant(variant)));
        HMODULE module = ::GetModuleHandleA(Variant(variant).c_str());
        ASSERT_NE(module, nullptr);
        using LastTextFn = HLOCAL(WINAPI*)();
        auto lastText = reinterpret_cast<LastTextFn>(reinterpret_cast<void*>(::GetProcAddress(module, "TestLastText")));
        ASSERT_NE(lastText, nullptr);
        const DecodeOutcome decoded = plugin.Decode(path);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded.picture.Width(), 7);
        EXPECT_EQ(decoded.picture.Height(), 3);
        EXPECT_EQ(HeaderOf(decoded.picture).biBitCount, 24);
        const HLOCAL text = lastText();
        ASSERT_NE(text, nullptr);
        // A released handle is invalid, unless the picture's own blocks reused it.
        EXPECT_TRUE(::LocalHandle(decoded.picture.InfoBytes().data()) == text ||
                    ::LocalHandle(decoded.picture.Bits().data()) == text ||
                    ::LocalFlags(text) == static_cast<UINT>(LMEM_INVALID_HANDLE))
            << "the text handle was released";
    }
}

}  // namespace

namespace {

// How the test plug-ins were handed a file, counted by the plug-in itself.
enum InputKind { kByAnsiName, kInAnsiMemory, kByWideName, kInWideMemory, kInputKinds };
using InputCounts = std::array<LONG, kInputKinds>;

// The counts of the loaded test plug-in at `path`; all zero for a plug-in that does not count.
InputCounts CountsOf(const std::string& path) {
    InputCounts counts{};
    using CountFn = LONG(WINAPI*)(int);
    HMODULE module = ::GetModuleHandleA(path.c_str());
    auto count = module != nullptr ? reinterpret_cast<CountFn>(
                                         reinterpret_cast<void*>(::GetProcAddress(module, "TestInputCount")))
                                   : nullptr;
    for (int kind = 0; count != nullptr && kind < kInputKinds; ++kind) {
        counts[static_cast<size_t>(kind)] = count(kind);
    }
    return counts;
}

}  // namespace

// Every file reaches a plug-in as itself: a name the ANSI code page holds goes by that name;
// any other goes to the wide exports, or else in memory, and never as its best-fit
// look-alike, which here is another picture.
TEST_F(PluginHost, EveryFileIsDecodedUnderItsExactName) {
    const std::wstring dir = *fw::ToWide(m_dir.Path(), CP_ACP) + L"\\";
    const struct {
        const wchar_t* stem;
        const wchar_t* lookAlike;  // a different picture under the best-fit name, or null
        bool ansi;                 // the ANSI code page holds the name
    } names[] = {
        {L"plain", nullptr, true},
        {L"\u8868\u30BD\u80FD", nullptr, true},  // 表ソ能: second bytes 0x5C
        {L"\u6CE2\uFF5E", nullptr, true},        // 波～
        {L"caf\u00E9", L"cafe", false},
        {L"\u6CE2\u301C", L"\u6CE2\uFF5E", false},  // 波〜 beside 波～
        {L"x\U0001F642", nullptr, false},
        {L"\uD55C\uAE00", nullptr, false},  // 한글
    };
    const std::string ixwic = test::BuildDir() + "\\dist\\SPI\\IXWIC." + kSpiPluginExtension;
    const struct {
        std::string path;
        InputKind otherNames;  // how a name the code page cannot hold arrives
        bool decodesThem;
    } plugins[] = {
        {Variant("tpi"), kInAnsiMemory, true},
        {Variant("wide"), kByWideName, true},
        {Variant("fileonly"), kInAnsiMemory, false},
        {ixwic, kInputKinds, true},  // counts nothing; its wide exports are its own test's
    };
    for (const auto& p : plugins) {
        CSpiPlugin plugin;
        ASSERT_TRUE(plugin.Load(p.path)) << p.path;
        const bool wic = p.otherNames == kInputKinds;
        const std::wstring ext = wic ? L".png" : L".tpi";
        for (size_t i = 0; i < std::size(names); ++i) {
            const auto& n = names[i];
            const std::wstring path = dir + n.stem + ext;
            SCOPED_TRACE(p.path + " " + fw::FromWide(path, CP_UTF8));
            const int width = 2 + static_cast<int>(i);
            auto write = [&](const std::wstring& to, int w, int h, uint32_t rgb) {
                test::WriteFileBytes(to, wic ? test::EncodeWithWic(test::WicFormat::kPng, w, h,
                                                                    [&](int, int) { return 0xFF000000 | rgb; })
                                             : test::MakeSolidTestPicture(w, h, rgb));
            };
            write(path, width, 3, 0xFF0000);
            if (n.lookAlike != nullptr) {
                write(dir + n.lookAlike + ext, 9, 9, 0x0000FF);
            }
            const InputCounts before = CountsOf(p.path);
            const DecodeOutcome decoded = plugin.Decode(path);
            const InputCounts after = CountsOf(p.path);

            EXPECT_EQ(static_cast<bool>(decoded), n.ansi || p.decodesThem);
            if (decoded) {
                EXPECT_EQ(decoded.picture.Width(), width);
                EXPECT_EQ(decoded.picture.Height(), 3);
                EXPECT_EQ(PixelOf(decoded.picture, width - 1, 2), RGB(255, 0, 0));
            }
            const int expected = n.ansi ? kByAnsiName : p.otherNames;
            for (int kind = 0; !wic && kind < kInputKinds; ++kind) {
                EXPECT_EQ(after[kind] > before[kind], kind == expected) << "input kind " << kind;
            }
            ::DeleteFileW(path.c_str());
            if (n.lookAlike != nullptr) {
                ::DeleteFileW((dir + n.lookAlike + ext).c_str());
            }
        }
    }
}

// A file handed over in memory is never read when no plug-in in this process could take it.
TEST_F(PluginHost, AFileTooLargeForMemoryIsNotRead) {
    const std::wstring path = *fw::ToWide(m_dir.Path(), CP_ACP) + L"\\big\U0001F642.tpi";
    test::WriteFileBytes(path, test::MakeSolidTestPicture(2, 2, 0));
    {
        fw::FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(CSpiInput::kMaxMemoryBytes) + 1;
        ASSERT_TRUE(::SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file.Get()));
    }
    CSpiPlugin plugin;
    ASSERT_TRUE(plugin.Load(Variant("tpi")));
    const InputCounts before = CountsOf(Variant("tpi"));
    EXPECT_FALSE(plugin.Decode(path));
    EXPECT_EQ(CountsOf(Variant("tpi")), before) << "the plug-in was not asked";
}
