// The plug-in host against real plug-in DLLs built from the test plug-in's variants.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "framework/WideText.h"
#include "image/SpiInput.h"
#include "image/SpiPlugin.h"
#include "image/SpiPluginList.h"
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
COLORREF PixelOf(const CSpiPlugin& plugin, int x, int y) {
    const DibDescription& dib = plugin.GetDib();
    const auto* bits = static_cast<const uint8_t*>(::LocalLock(plugin.GetBitsHandle()));
    const uint8_t* p = bits + static_cast<size_t>(dib.height - 1 - y) * dib.rowBytes + static_cast<size_t>(x) * 3;
    const COLORREF color = RGB(p[2], p[1], p[0]);
    ::LocalUnlock(plugin.GetBitsHandle());
    return color;
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

TEST_F(PluginHost, DecodeReplacesAndReleasesThePreviousPicture) {
    CSpiPlugin plugin;
    ASSERT_TRUE(plugin.Load(Variant("tpi")));
    EXPECT_EQ(plugin.GetWidth(), 0);
    const std::string first = Picture("first.tpi", 2, 3, 0xFF0000);
    const std::string second = Picture("second.tpi", 5, 7, 0x00FF00);

    ASSERT_TRUE(plugin.Decode(first));
    EXPECT_EQ(plugin.GetWidth(), 2);
    EXPECT_EQ(plugin.GetHeight(), 3);
    EXPECT_EQ(plugin.GetFileName(), *fw::ToWide(first, CP_ACP));
    EXPECT_EQ(PixelOf(plugin, 1, 2), RGB(255, 0, 0));
    const HLOCAL oldInfo = plugin.GetBitmapInfoHandle();
    const HLOCAL oldBits = plugin.GetBitsHandle();

    ASSERT_TRUE(plugin.Decode(second));
    EXPECT_EQ(plugin.GetWidth(), 5);
    EXPECT_EQ(plugin.GetHeight(), 7);
    EXPECT_EQ(plugin.GetFileName(), *fw::ToWide(second, CP_ACP));
    EXPECT_EQ(PixelOf(plugin, 4, 6), RGB(0, 255, 0));
    // The first picture's blocks were released: freed handles are invalid unless the new picture reused them.
    for (const auto& [before, now] : {std::pair{oldInfo, plugin.GetBitmapInfoHandle()}, std::pair{oldBits, plugin.GetBitsHandle()}}) {
        EXPECT_TRUE(before == plugin.GetBitmapInfoHandle() || before == plugin.GetBitsHandle() ||
                    ::LocalFlags(before) == static_cast<UINT>(LMEM_INVALID_HANDLE))
            << before << " " << now;
    }

    plugin.FreePicture();
    EXPECT_EQ(plugin.GetWidth(), 0);
    EXPECT_EQ(plugin.GetHeight(), 0);
    EXPECT_EQ(plugin.GetFileName(), L"");
    EXPECT_EQ(plugin.GetBitmapInfoHandle(), nullptr);
}

TEST_F(PluginHost, FailedDecodesLeaveNoPicture) {
    const std::string good = Picture("good.tpi", 4, 4, 0x123456);
    for (const char* variant : {"failinfo", "failpicture", "nopicture"}) {
        SCOPED_TRACE(variant);
        CSpiPlugin plugin;
        ASSERT_TRUE(plugin.Load(Variant(variant)));
        EXPECT_FALSE(plugin.Decode(good));
        EXPECT_EQ(plugin.GetWidth(), 0);
        EXPECT_EQ(plugin.GetHeight(), 0);
        EXPECT_EQ(plugin.GetBitmapInfoHandle(), nullptr);
    }
    CSpiPlugin plugin;
    ASSERT_TRUE(plugin.Load(Variant("tpi")));
    ASSERT_TRUE(plugin.Decode(good));
    test::WriteFileBytes(m_dir / "broken.tpi", "IXTP\x05");
    EXPECT_FALSE(plugin.Decode(m_dir / "broken.tpi"));
    EXPECT_EQ(plugin.GetWidth(), 0) << "a failed decode also releases the previous picture";
    EXPECT_FALSE(plugin.Decode(m_dir / "missing.tpi"));
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
        EXPECT_FALSE(plugin.Decode(c.path)) << c.path;
        EXPECT_EQ(plugin.LastFailure(), c.failure) << c.path;
        EXPECT_EQ(plugin.ReadHeaderSize(c.path), c.header) << c.path;
        CSpiPlugin::Picture picture;
        DecodeFailure failure = DecodeFailure::kUnnamed;
        EXPECT_FALSE(plugin.DecodeTo(c.path, picture, {}, &failure)) << c.path;
        EXPECT_EQ(failure, c.failure) << c.path;
    }
    ::CloseHandle(lock);
    EXPECT_TRUE(plugin.Decode(locked));
    EXPECT_EQ(plugin.LastFailure(), std::nullopt);
    EXPECT_EQ(plugin.ReadHeaderSize(locked), (PictureSize{4, 4}));
    CSpiPlugin failing;
    ASSERT_TRUE(failing.Load(Variant("failpicture")));
    EXPECT_FALSE(failing.Decode(locked));
    EXPECT_EQ(failing.LastFailure(), DecodeFailure::kBroken) << "the plug-in's own answer";
}

// Pictures whose bitmap lies about its own size are refused before a row is read.
TEST_F(PluginHost, HostileBitmapsAreFailedDecodes) {
    CSpiPlugin plugin;
    ASSERT_TRUE(plugin.Load(Variant("tpi")));
    for (uint32_t mode : {test::kTpShortBits, test::kTpWiderHeader, test::kTpCoreHeaderSize,
                          test::kTpTooManyColours}) {
        SCOPED_TRACE(mode);
        EXPECT_FALSE(plugin.Decode(Picture("hostile.tpi", 9, 5, 0x808080, mode)));
        EXPECT_EQ(plugin.GetWidth(), 0);
    }
    for (uint32_t mode : {test::kTpBottomUp24, test::kTpTopDown24, test::kTpPalette8, test::kTpBgrx32}) {
        SCOPED_TRACE(mode);
        EXPECT_TRUE(plugin.Decode(Picture("fine.tpi", 9, 5, 0x808080, mode)));
        EXPECT_EQ(plugin.GetWidth(), 9);
        EXPECT_FALSE(plugin.GetDib().topDown);
    }
}

TEST_F(PluginHost, TopDownPicturesAreTurnedBottomUp) {
    CSpiPlugin plugin;
    ASSERT_TRUE(plugin.Load(Variant("tpi")));
    const std::string path = m_dir / "rows.tpi";
    test::WriteFileBytes(path, test::MakeTestPicture(3, 4, test::kTpTopDown24,
                                                     [](int, int y) { return y == 0 ? 0xFF0000u : 0x0000FFu; }));
    ASSERT_TRUE(plugin.Decode(path));
    EXPECT_GT(static_cast<const BITMAPINFOHEADER*>(::LocalLock(plugin.GetBitmapInfoHandle()))->biHeight, 0);
    ::LocalUnlock(plugin.GetBitmapInfoHandle());
    EXPECT_EQ(PixelOf(plugin, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(plugin, 2, 3), RGB(0, 0, 255));
}

TEST_F(PluginHost, MovesHandTheLibraryAndThePictureOver) {
    static_assert(!std::is_copy_constructible_v<CSpiPlugin> && !std::is_copy_assignable_v<CSpiPlugin>,
                  "a plug-in is loaded once: it is never copied");
    const std::string path = Picture("moved.tpi", 6, 2, 0x0000FF);
    CSpiPlugin original;
    ASSERT_TRUE(original.Load(Variant("tpi")));
    ASSERT_TRUE(original.Decode(path));
    const HLOCAL bits = original.GetBitsHandle();

    CSpiPlugin moved(std::move(original));
    EXPECT_EQ(moved.GetLibPath(), test::Wide(Variant("tpi")));
    EXPECT_EQ(moved.GetFileName(), *fw::ToWide(path, CP_ACP));
    EXPECT_EQ(moved.GetWidth(), 6);
    EXPECT_EQ(moved.GetBitsHandle(), bits) << "the same picture, not a second decode";
    EXPECT_FALSE(original.IsLoaded());
    EXPECT_FALSE(original.HasPicture());

    CSpiPlugin assigned;
    ASSERT_TRUE(assigned.Load(Variant("jpg")));
    assigned = std::move(moved);
    EXPECT_EQ(assigned.GetLibPath(), test::Wide(Variant("tpi")));
    EXPECT_EQ(assigned.GetHeight(), 2);
    EXPECT_TRUE(assigned.SupportsExtension("tpi"));
    EXPECT_TRUE(assigned.Decode(path));
}

TEST_F(PluginHost, ListOwnsPluginsThatKeepTheirAddresses) {
    CSpiPluginList list;
    for (int i = 0; i < 25; ++i) {
        CSpiPlugin probe;
        ASSERT_TRUE(probe.Load(Variant("tpi")));
        EXPECT_EQ(list.Add(std::move(probe)), i);
        if (i == 0) {
            ASSERT_TRUE(list.GetAt(0)->IsLoaded());
        }
    }
    CSpiPlugin* first = list.GetAt(0);
    EXPECT_EQ(list.GetSize(), 25);
    EXPECT_EQ(list.GetAt(0), first) << "growing the list does not move its elements";
    EXPECT_TRUE(first->IsLoaded());
    list.RemoveAll();
    EXPECT_EQ(list.GetSize(), 0);
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
        {"b.tpi", Decoder::Plugin(list.GetAt(0))}, {"x.y.JPEG", Decoder::Plugin(list.GetAt(1))},
        {"noext", Decoder{}},            {"end.", Decoder{}},
        {"bmp", Decoder{}},              {"表.jpg", Decoder::Plugin(list.GetAt(1))},
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
        {L"x\U0001F642.tpi", Decoder::Plugin(list.GetAt(0))}, {L"caf\u00E9.JPEG", Decoder::Plugin(list.GetAt(1))},
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
        ASSERT_TRUE(plugin.Decode(path));
        EXPECT_EQ(plugin.GetWidth(), 7);
        EXPECT_EQ(plugin.GetHeight(), 3);
        EXPECT_EQ(plugin.GetInfo().colorDepth, 24);
        const HLOCAL text = lastText();
        ASSERT_NE(text, nullptr);
        // A released handle is invalid, unless the picture's own blocks reused it.
        EXPECT_TRUE(text == plugin.GetBitmapInfoHandle() || text == plugin.GetBitsHandle() ||
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
            const bool decoded = plugin.Decode(path);
            const InputCounts after = CountsOf(p.path);

            EXPECT_EQ(decoded, n.ansi || p.decodesThem);
            if (decoded) {
                EXPECT_EQ(plugin.GetWidth(), width);
                EXPECT_EQ(plugin.GetHeight(), 3);
                EXPECT_EQ(PixelOf(plugin, width - 1, 2), RGB(255, 0, 0));
                EXPECT_EQ(plugin.GetFileName(), path);
            } else {
                EXPECT_EQ(plugin.GetWidth(), 0);
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
