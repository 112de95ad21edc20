// A deterministic image-import plug-in for the tests. One source builds every variant;
// the definition TSPI_VARIANT_<NAME> picks what the variant reports and which export
// misbehaves or is missing (WIDE adds the wide exports; FILEONLY takes no memory input).
// It decodes the "IXTP" test picture format (see tests/data/TestPicture.h) into the DIB
// layout named by the picture's mode.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/Handles.h"
#include "image/SpiApi.h"

#define TSPI_EXPORT extern "C" __declspec(dllexport)

namespace {

#if defined(TSPI_VARIANT_ARCHIVE)
constexpr char kApiVersion[] = "00AM";
#else
constexpr char kApiVersion[] = "00IN";
#endif
constexpr char kPluginName[] = "Ixo test plug-in";

// Filter and description pairs, reported at numbers 2, 3, 4, 5, ...
#if defined(TSPI_VARIANT_JPG)
constexpr const char* kFilterTexts[] = {"*.jpg;*.jpeg", "JPEG pictures (test)"};
#elif defined(TSPI_VARIANT_TIF)
constexpr const char* kFilterTexts[] = {"*.TIF", "TIFF pictures (test)", "*.TIFF", "TIFF pictures, long name (test)"};
#elif defined(TSPI_VARIANT_TRAIL)
constexpr const char* kFilterTexts[] = {"*.abc;", "Trailing separator (test)"};
#elif defined(TSPI_VARIANT_DBCS)
constexpr const char* kFilterTexts[] = {"*.表;*.xyz", "Double-byte extension (test)"};
#else
constexpr const char* kFilterTexts[] = {"*.tpi", "Ixo test pictures"};
#endif

constexpr uint64_t kHeaderSize = 16;
constexpr uint32_t kMaxSide = 65535;
// Larger pixel data is refused as out of memory in a 32-bit process.
constexpr uint64_t kMaxPixelBytes = 256ull << 20;
// Modes that act like a picture too large for the process: GetPicture answers "out of
// memory"; in the second GetPictureInfo does too.
constexpr uint32_t kModeOutOfMemory = 8;
constexpr uint32_t kModeNoMemoryAtAll = 9;
// 32 bits with straight alpha, cycling through these values by column.
constexpr uint32_t kModeStraightAlpha = 10;
constexpr uint8_t kAlphaByColumn[] = {255, 128, 0};
// Slow decoders: one reporting progress after every slow row, one working without a word
// before it reports at all (as a decoder does that decodes the whole picture in one call).
constexpr uint32_t kModeSlowRows = 11;
constexpr uint32_t kModeSlowSilent = 12;
constexpr DWORD kSlowRowMs = 4;
constexpr DWORD kSilentMs = 400;
// A file still being written: its pixels are short (broken), and once GetPictureInfo has
// found them so the rest of them arrives, as a copy into the folder goes on meanwhile.
constexpr uint32_t kModeArriving = 13;
// A decoder that stalls without a word for kStallMs before it decodes.
constexpr uint32_t kModeStall = 14;
constexpr DWORD kStallMs = 2500;
// GetPicture hands over one block as both the header and the rows.
constexpr uint32_t kModeSharedHandle = 15;

// Copies text into buf, cut to buflen - 1 bytes and always terminated; returns the bytes written.
// (Unused in the variant without GetPluginInfo, like the decoding in those that fail on purpose.)
[[maybe_unused]] int CopyInfo(const std::string& text, LPSTR buf, int buflen) {
    if (buf == nullptr || buflen <= 0) {
        return 0;
    }
    const size_t length = std::min(text.size(), static_cast<size_t>(buflen - 1));
    std::memcpy(buf, text.data(), length);
    buf[length] = '\0';
    return static_cast<int>(length);
}

// The text of an information number, or false when the number does not exist.
[[maybe_unused]] bool InfoText(int infono, std::string& text) {
    if (infono == 0) {
        text = kApiVersion;
        return true;
    }
    if (infono == 1) {
        text = kPluginName;
        return true;
    }
#if defined(TSPI_VARIANT_ENDLESS)
    // Answers every non-negative number, so a host must bound its own loop.
    if (infono < 0) {
        return false;
    }
    text = (infono % 2 == 0 ? "*.N" : "number ") + std::to_string(infono);
    return true;
#else
    const int index = infono - 2;
    if (index < 0 || index >= static_cast<int>(std::size(kFilterTexts))) {
        return false;
    }
    text = kFilterTexts[index];
    return true;
#endif
}

// How often an input was opened, by kind: ANSI name, ANSI export with memory, wide name,
// wide export with memory. A test tells from them which way the host chose.
LONG g_inputCounts[4] = {};

// The picture's bytes, from a file (starting at an offset) or from the caller's memory.
class CInput {
public:
    CInput() = default;
    CInput(const CInput&) = delete;
    CInput& operator=(const CInput&) = delete;
    ~CInput() {
        if (m_file != INVALID_HANDLE_VALUE) {
            ::CloseHandle(m_file);
        }
    }

    // `buf` as the interface passes it: a file name (char or wchar_t) or the file image.
    template <class Char>
    int Open(const Char* buf, LONG_PTR len, unsigned int flag) {
        if (buf == nullptr) {
            return kSpiFileReadError;
        }
        constexpr bool kWide = sizeof(Char) == sizeof(wchar_t);
        const bool memory = (flag & kSpiInputMask) == kSpiInputMemory;
        ::InterlockedIncrement(&g_inputCounts[(kWide ? 2 : 0) + (memory ? 1 : 0)]);
        if (memory) {
#if defined(TSPI_VARIANT_FILEONLY)
            return kSpiNotImplemented;
#endif
            m_memory = reinterpret_cast<const uint8_t*>(buf);
            m_size = len > 0 ? static_cast<uint64_t>(len) : 0;
            return kSpiSuccess;
        }
        if constexpr (kWide) {
            m_file = ::CreateFileW(reinterpret_cast<LPCWSTR>(buf), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        } else {
            m_file = ::CreateFileA(buf, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        }
        LARGE_INTEGER size = {};
        if (m_file == INVALID_HANDLE_VALUE || !::GetFileSizeEx(m_file, &size) || len < 0) {
            return kSpiFileReadError;
        }
        m_offset = static_cast<uint64_t>(len);
        const uint64_t fileSize = static_cast<uint64_t>(size.QuadPart);
        m_size = fileSize > m_offset ? fileSize - m_offset : 0;
        return kSpiSuccess;
    }

    uint64_t Size() const { return m_size; }

    // Reads count bytes at pos (counted from the picture's start); false on a short read.
    bool Read(uint64_t pos, void* out, uint64_t count) const {
        if (pos > m_size || count > m_size - pos) {
            return false;
        }
        if (m_memory != nullptr) {
            std::memcpy(out, m_memory + pos, static_cast<size_t>(count));
            return true;
        }
        LARGE_INTEGER where;
        where.QuadPart = static_cast<LONGLONG>(m_offset + pos);
        if (!::SetFilePointerEx(m_file, where, nullptr, FILE_BEGIN)) {
            return false;
        }
        auto* bytes = static_cast<uint8_t*>(out);
        while (count > 0) {
            const DWORD chunk = static_cast<DWORD>(std::min<uint64_t>(count, 1u << 20));
            DWORD read = 0;
            if (!::ReadFile(m_file, bytes, chunk, &read, nullptr) || read == 0) {
                return false;
            }
            bytes += read;
            count -= read;
        }
        return true;
    }

private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
    const uint8_t* m_memory = nullptr;
    uint64_t m_offset = 0;
    uint64_t m_size = 0;
};

struct TestHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t mode = 0;
};

uint32_t ReadUint32(const uint8_t* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

// Checks the magic, the header and that the input holds every pixel.
int ReadHeader(const CInput& input, TestHeader& header) {
    uint8_t bytes[kHeaderSize] = {};
    if (!input.Read(0, bytes, 4)) {
        return kSpiBrokenData;
    }
    if (std::memcmp(bytes, "IXTP", 4) != 0) {
        return kSpiUnknownFormat;
    }
    if (!input.Read(0, bytes, kHeaderSize)) {
        return kSpiBrokenData;
    }
    header.width = ReadUint32(bytes + 4);
    header.height = ReadUint32(bytes + 8);
    header.mode = ReadUint32(bytes + 12);
    if (header.width == 0 || header.height == 0 || header.width > kMaxSide || header.height > kMaxSide) {
        return kSpiBrokenData;
    }
    const uint64_t pixelBytes = uint64_t{header.width} * header.height * 3;
    return input.Size() - kHeaderSize < pixelBytes ? kSpiBrokenData : kSpiSuccess;
}

// Holds two local memory handles until they are handed to the caller.
class CDibHandles {
public:
    bool Allocate(uint64_t infoSize, uint64_t bitsSize) {
        if (infoSize > 0xFFFFFFFFu || bitsSize > 0xFFFFFFFFu) {
            return false;
        }
        m_info.Reset(::LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, static_cast<SIZE_T>(infoSize)));
        m_bits.Reset(::LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, static_cast<SIZE_T>(bitsSize)));
        return m_info.IsValid() && m_bits.IsValid();
    }
    HLOCAL Info() const { return m_info.Get(); }
    HLOCAL Bits() const { return m_bits.Get(); }
    void Release(HLOCAL* info, HLOCAL* bits) {
        *info = m_info.Release();
        *bits = m_bits.Release();
    }

private:
    fw::LocalMemory m_info;
    fw::LocalMemory m_bits;
};

// What a mode puts into the header and how large it makes the two handles.
struct Layout {
    int bitCount = 24;
    int64_t headerWidth = 0;
    uint64_t rowBytes = 0;
    uint64_t bitsSize = 0;
    uint64_t infoSize = sizeof(BITMAPINFOHEADER);
    bool topDown = false;
};

Layout LayoutFor(const TestHeader& header) {
    Layout layout;
    const uint32_t mode = header.mode;
    layout.bitCount = (mode == 2 || mode == 7) ? 8 : (mode == 3 || mode == kModeStraightAlpha ? 32 : 24);
    layout.headerWidth = int64_t{header.width} + (mode == 5 ? 7 : 0);
    layout.rowBytes = (static_cast<uint64_t>(layout.headerWidth) * layout.bitCount + 31) / 32 * 4;
    layout.bitsSize = layout.rowBytes * header.height;
    if (mode == 4) {
        layout.bitsSize /= 2;
    }
    if (layout.bitCount == 8) {
        layout.infoSize += 256 * sizeof(RGBQUAD);
    }
    layout.topDown = mode == 1;
    return layout;
}

void FillInfoHeader(const TestHeader& header, const Layout& layout, BITMAPINFOHEADER* info) {
    info->biSize = header.mode == 6 ? 12 : sizeof(BITMAPINFOHEADER);
    info->biWidth = static_cast<LONG>(layout.headerWidth);
    info->biHeight = layout.topDown ? -static_cast<LONG>(header.height) : static_cast<LONG>(header.height);
    info->biPlanes = 1;
    info->biBitCount = static_cast<WORD>(layout.bitCount);
    info->biCompression = BI_RGB;
    info->biSizeImage = static_cast<DWORD>(layout.bitsSize);
    if (layout.bitCount == 8) {
        info->biClrUsed = header.mode == 7 ? 1000 : 256;
    }
}

// Gives every distinct colour, in reading order, the next palette index; false past 256 colours.
bool BuildPalette(const std::vector<uint8_t>& rgb, RGBQUAD* palette, std::vector<uint8_t>& indices) {
    std::unordered_map<uint32_t, uint8_t> seen;
    indices.resize(rgb.size() / 3);
    for (size_t i = 0; i < indices.size(); ++i) {
        const uint8_t* p = &rgb[i * 3];
        const uint32_t colour = (p[0] << 16) | (p[1] << 8) | p[2];
        auto found = seen.find(colour);
        if (found == seen.end()) {
            if (seen.size() == 256) {
                return false;
            }
            const auto index = static_cast<uint8_t>(seen.size());
            palette[index] = RGBQUAD{p[2], p[1], p[0], 0};
            found = seen.emplace(colour, index).first;
        }
        indices[i] = found->second;
    }
    return true;
}

void PackRow(const uint8_t* rgb, const uint8_t* indices, uint32_t width, int bitCount, bool alpha, uint8_t* row) {
    for (uint32_t x = 0; x < width; ++x) {
        const uint8_t* p = rgb + uint64_t{x} * 3;
        if (bitCount == 8) {
            row[x] = indices[x];
        } else {
            uint8_t* q = row + uint64_t{x} * (bitCount / 8);
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
            if (alpha) {
                q[3] = kAlphaByColumn[x % std::size(kAlphaByColumn)];
            }
        }
    }
}

int DecodeInto(const TestHeader& header, const std::vector<uint8_t>& rgb, CDibHandles& dib,
               SpiProgressCallback progress, LONG_PTR lData) {
    const Layout layout = LayoutFor(header);
    if (!dib.Allocate(layout.infoSize, layout.bitsSize)) {
        return kSpiOutOfMemory;
    }
    auto* info = static_cast<BITMAPINFOHEADER*>(::LocalLock(dib.Info()));
    auto* bits = static_cast<uint8_t*>(::LocalLock(dib.Bits()));
    std::vector<uint8_t> indices;
    int result = kSpiSuccess;
    FillInfoHeader(header, layout, info);
    if (layout.bitCount == 8 && !BuildPalette(rgb, reinterpret_cast<RGBQUAD*>(info + 1), indices)) {
        result = kSpiBrokenData;
    }
    const int total = static_cast<int>(header.height);
    if (header.mode == kModeSlowSilent) {
        ::Sleep(kSilentMs);
    }
    if (header.mode == kModeStall) {
        ::Sleep(kStallMs);
    }
    if (result == kSpiSuccess && progress != nullptr && progress(0, total, lData) != 0) {
        result = kSpiAborted;
    }
    for (uint32_t y = 0; result == kSpiSuccess && y < header.height; ++y) {
        const uint64_t row = layout.topDown ? y : header.height - 1 - y;
        // A short bits handle (mode 4) gets only the rows that fit.
        if ((row + 1) * layout.rowBytes <= layout.bitsSize) {
            const uint64_t first = uint64_t{y} * header.width;
            PackRow(&rgb[first * 3], indices.empty() ? nullptr : &indices[first], header.width, layout.bitCount,
                    header.mode == kModeStraightAlpha, bits + row * layout.rowBytes);
        }
        if (header.mode == kModeSlowRows) {
            ::Sleep(kSlowRowMs);
        }
        if (progress != nullptr && progress(static_cast<int>(y) + 1, total, lData) != 0) {
            result = kSpiAborted;
        }
    }
    ::LocalUnlock(dib.Info());
    ::LocalUnlock(dib.Bits());
    return result;
}

// Puts header and rows into one block, the rows after the header, and hands that block
// over as both: a size the rows' checks accept.
[[maybe_unused]] int ShareOneBlock(CDibHandles& dib, HLOCAL* pHBInfo, HLOCAL* pHBm) {
    const SIZE_T infoSize = ::LocalSize(dib.Info());
    const SIZE_T bitsSize = ::LocalSize(dib.Bits());
    HLOCAL block = ::LocalAlloc(LMEM_MOVEABLE, infoSize + bitsSize);
    if (block == nullptr) {
        return kSpiOutOfMemory;
    }
    auto* bytes = static_cast<uint8_t*>(::LocalLock(block));
    std::memcpy(bytes, ::LocalLock(dib.Info()), infoSize);
    std::memcpy(bytes + infoSize, ::LocalLock(dib.Bits()), bitsSize);
    ::LocalUnlock(dib.Info());
    ::LocalUnlock(dib.Bits());
    ::LocalUnlock(block);
    *pHBInfo = block;
    *pHBm = block;
    return kSpiSuccess;
}

// Writes the rest of an arriving picture's pixels to the end of the file named `name`.
[[maybe_unused]] void CompleteArrivingFile(LPCSTR name, const CInput& input, const TestHeader& header) {
    const uint64_t pixelBytes = uint64_t{header.width} * header.height * 3;
    const uint64_t have = input.Size() - kHeaderSize;
    if (have >= pixelBytes) {
        return;
    }
    HANDLE file = ::CreateFileA(name, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::vector<uint8_t> rest(static_cast<size_t>(pixelBytes - have), 0x80);
    DWORD written = 0;
    ::WriteFile(file, rest.data(), static_cast<DWORD>(rest.size()), &written, nullptr);
    ::CloseHandle(file);
}

// Opens the input, a file by name or bytes in memory, and reads its header.
template <class Char>
[[maybe_unused]] int ReadInputHeader(const Char* buf, LONG_PTR len, unsigned int flag, CInput& input,
                                     TestHeader& header) {
    const int result = input.Open(buf, len, flag);
    return result == kSpiSuccess ? ReadHeader(input, header) : result;
}

// How many decodes run at once now, and the most that ever did: a host that calls this
// plug-in on one thread only never sees more than one.
LONG g_decodingNow = 0;
LONG g_mostAtOnce = 0;

class CDecoding {
public:
    CDecoding() {
        const LONG now = ::InterlockedIncrement(&g_decodingNow);
        for (LONG most = g_mostAtOnce; now > most; most = g_mostAtOnce) {
            if (::InterlockedCompareExchange(&g_mostAtOnce, now, most) == most) {
                break;
            }
        }
    }
    ~CDecoding() { ::InterlockedDecrement(&g_decodingNow); }
    CDecoding(const CDecoding&) = delete;
    CDecoding& operator=(const CDecoding&) = delete;
};

template <class Char>
[[maybe_unused]] int DecodeInput(const Char* buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                                 SpiProgressCallback progress, LONG_PTR lData) {
    const CDecoding counted;
    CInput input;
    TestHeader header;
    if (const int result = ReadInputHeader(buf, len, flag, input, header); result != kSpiSuccess) {
        return result;
    }
    const uint64_t pixelBytes = uint64_t{header.width} * header.height * 3;
    if (pixelBytes > kMaxPixelBytes || header.mode == kModeOutOfMemory || header.mode == kModeNoMemoryAtAll) {
        return kSpiOutOfMemory;
    }
    std::vector<uint8_t> rgb(static_cast<size_t>(pixelBytes));
    if (!input.Read(kHeaderSize, rgb.data(), pixelBytes)) {
        return kSpiFileReadError;
    }
    CDibHandles dib;
    const int result = DecodeInto(header, rgb, dib, progress, lData);
    if (result == kSpiSuccess && header.mode == kModeSharedHandle) {
        return ShareOneBlock(dib, pHBInfo, pHBm);
    }
    if (result == kSpiSuccess) {
        dib.Release(pHBInfo, pHBm);
    }
    return result;
}

}  // namespace

#if !defined(TSPI_VARIANT_NOINFO)
TSPI_EXPORT int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) {
    std::string text;
    return InfoText(infono, text) ? CopyInfo(text, buf, buflen) : 0;
}
#endif

TSPI_EXPORT int WINAPI IsSupported(LPSTR /*filename*/, DWORD_PTR dw) {
    char magic[4] = {};
    if (SpiDataIsFileHandle(dw)) {
        // A legacy file handle: peek at the first bytes and put the file position back.
        const auto file = reinterpret_cast<HANDLE>(dw);
        LARGE_INTEGER zero = {}, start = {};
        DWORD read = 0;
        if (!::SetFilePointerEx(file, zero, &start, FILE_CURRENT)) {
            return 0;
        }
        const BOOL ok = ::ReadFile(file, magic, sizeof magic, &read, nullptr);
        ::SetFilePointerEx(file, start, nullptr, FILE_BEGIN);
        return ok && read == sizeof magic && std::memcmp(magic, "IXTP", 4) == 0;
    }
    return std::memcmp(reinterpret_cast<const void*>(static_cast<uintptr_t>(dw)), "IXTP", 4) == 0;
}

namespace {

// The text handle handed out last with a picture's information; the host owns it.
HLOCAL g_lastText = nullptr;

// A text block for the record's text handle, as a plug-in hands over text found in a picture.
HLOCAL MakeText() {
    constexpr char kText[] = "Ixo test picture";
    HLOCAL text = ::LocalAlloc(LMEM_MOVEABLE, sizeof kText);
    if (text != nullptr) {
        std::memcpy(::LocalLock(text), kText, sizeof kText);
        ::LocalUnlock(text);
    }
    g_lastText = text;
    return text;
}

#if defined(TSPI_VARIANT_NATURAL)
// The record as a plug-in built without byte packing lays it out: the text handle at the
// next multiple of its size, and whatever its stack held in the padding before it.
struct NaturalPictureInfo {
    long left;
    long top;
    long width;
    long height;
    WORD x_density;
    WORD y_density;
    short colorDepth;
    HLOCAL hInfo;
};

[[maybe_unused]] void FillInfo(const TestHeader& header, PictureInfo* lpInfo) {
    NaturalPictureInfo info;
    std::memset(&info, 0xCD, sizeof info);
    info.left = 0;
    info.top = 0;
    info.width = static_cast<long>(header.width);
    info.height = static_cast<long>(header.height);
    info.x_density = 0;
    info.y_density = 0;
    info.colorDepth = 24;
    info.hInfo = MakeText();
    std::memcpy(static_cast<void*>(lpInfo), &info, sizeof info);
}
#else
[[maybe_unused]] void FillInfo(const TestHeader& header, PictureInfo* lpInfo) {
    *lpInfo = PictureInfo{};
    lpInfo->width = static_cast<long>(header.width);
    lpInfo->height = static_cast<long>(header.height);
    lpInfo->colorDepth = 24;
    lpInfo->hInfo = MakeText();
}
#endif

// GetPicture and GetPictureW: the picture, or why there is none.
template <class Char>
[[maybe_unused]] int GetPictureFromInput(const Char* buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo,
                                         HLOCAL* pHBm, SpiProgressCallback progress, LONG_PTR lData) {
    if (pHBInfo == nullptr || pHBm == nullptr) {
        return kSpiInternalError;
    }
    try {
        return DecodeInput(buf, len, flag, pHBInfo, pHBm, progress, lData);
    } catch (const std::bad_alloc&) {
        return kSpiOutOfMemory;
    }
}

}  // namespace

TSPI_EXPORT HLOCAL WINAPI TestLastText() {
    return g_lastText;
}

TSPI_EXPORT int WINAPI GetPictureInfo(LPSTR buf, LONG_PTR len, unsigned int flag, PictureInfo* lpInfo) {
#if defined(TSPI_VARIANT_FAILINFO)
    (void)buf, (void)len, (void)flag, (void)lpInfo;
    return kSpiUnknownFormat;
#else
    if (lpInfo == nullptr) {
        return kSpiInternalError;
    }
    CInput input;
    TestHeader header;
    if (const int result = ReadInputHeader(buf, len, flag, input, header); result != kSpiSuccess) {
        if (result == kSpiBrokenData && header.mode == kModeArriving && (flag & kSpiInputMask) == kSpiInputFile) {
            CompleteArrivingFile(buf, input, header);
        }
        return result;
    }
    if (header.mode == kModeNoMemoryAtAll) {
        return kSpiOutOfMemory;
    }
    FillInfo(header, lpInfo);
    return kSpiSuccess;
#endif
}

#if !defined(TSPI_VARIANT_NOPICTURE)
TSPI_EXPORT int WINAPI GetPicture(LPSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                                  SpiProgressCallback lpPrgressCallback, LONG_PTR lData) {
#if defined(TSPI_VARIANT_FAILPICTURE)
    (void)buf, (void)len, (void)flag, (void)pHBInfo, (void)pHBm, (void)lpPrgressCallback, (void)lData;
    return kSpiBrokenData;
#else
    return GetPictureFromInput(buf, len, flag, pHBInfo, pHBm, lpPrgressCallback, lData);
#endif
}
#endif

TSPI_EXPORT int WINAPI GetPreview(LPSTR, LONG_PTR, unsigned int, HLOCAL*, HLOCAL*, SpiProgressCallback, LONG_PTR) {
    return kSpiNotImplemented;
}

// The most decodes that ran at once so far (see CDecoding).
TSPI_EXPORT LONG WINAPI TestMostAtOnce() {
    return g_mostAtOnce;
}

#if defined(TSPI_VARIANT_SAFE)
// Says that its calls may run on several threads at once.
TSPI_EXPORT int WINAPI IxoThreadSafe() {
    return 1;
}
#endif

// How often GetPictureInfo and GetPicture were given an input of each kind (see g_inputCounts).
TSPI_EXPORT LONG WINAPI TestInputCount(int kind) {
    return kind >= 0 && kind < static_cast<int>(std::size(g_inputCounts)) ? g_inputCounts[kind] : -1;
}

#if defined(TSPI_VARIANT_WIDE)
TSPI_EXPORT int WINAPI IsSupportedW(LPCWSTR /*filename*/, DWORD_PTR dw) {
    return IsSupported(nullptr, dw);
}

TSPI_EXPORT int WINAPI GetPictureInfoW(LPCWSTR buf, LONG_PTR len, unsigned int flag, PictureInfo* lpInfo) {
    if (lpInfo == nullptr) {
        return kSpiInternalError;
    }
    CInput input;
    TestHeader header;
    const int result = ReadInputHeader(buf, len, flag, input, header);
    if (result == kSpiSuccess) {
        FillInfo(header, lpInfo);
    }
    return result;
}

TSPI_EXPORT int WINAPI GetPictureW(LPCWSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                                   SpiProgressCallback lpPrgressCallback, LONG_PTR lData) {
    return GetPictureFromInput(buf, len, flag, pHBInfo, pHBm, lpPrgressCallback, lData);
}
#endif
