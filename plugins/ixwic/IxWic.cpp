// IXWIC.SPI: an image-import plug-in that decodes every format the machine's Windows
// Imaging Component can read (JPEG, PNG, GIF, TIFF, ICO, and HEIF/WebP/AVIF where
// installed) into a bottom-up 24-bit DIB. A picture it cannot decode is called broken
// only when its own decoder found it damaged, and of an unknown format only when nothing
// here knows it for a picture; a picture of a format no decoder here reads is reported at
// the size its header names, and its decoding answered "not implemented".
#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "image/SpiApi.h"
#include "plugins/ixwic/DecoderCatalog.h"
#include "plugins/ixwic/DibPacker.h"
#include "plugins/ixwic/ExportInput.h"
#include "plugins/ixwic/InputHeader.h"
#include "plugins/ixwic/WicPicture.h"

#define IXWIC_EXPORT extern "C" __declspec(dllexport)

namespace {

using ixwic::ComPtr;

constexpr char kApiVersion[] = "00IN";
constexpr char kPluginName[] = "IXWIC - Windows Imaging Component plug-in for Ixo";
// The largest picture handed out. A 32-bit process cannot count on more address space
// than 256 MiB for one picture; a 64-bit one takes up to 2 GiB, which keeps the DIB's
// sizes within the signed 32-bit counts of its header and of GDI.
#ifdef _WIN64
constexpr uint64_t kMaxOutputBytes = 2ull << 30;
#else
constexpr uint64_t kMaxOutputBytes = 256ull << 20;
#endif
// Pixels are converted in strips of about this many bytes, so the whole picture is
// held only once, in the output.
constexpr uint64_t kStripBytes = 4ull << 20;
constexpr size_t kHeaderPeekBytes = 2048;
// Every picture is handed out as a 24-bit DIB.
constexpr short kDibBitCount = 24;

int CopyInfo(const std::string& text, LPSTR buf, int buflen) {
    if (buf == nullptr || buflen <= 0) {
        return 0;
    }
    const size_t length = std::min(text.size(), static_cast<size_t>(buflen - 1));
    std::memcpy(buf, text.data(), length);
    buf[length] = '\0';
    return static_cast<int>(length);
}

// The picture's oriented size, as GetPicture will deliver it, and the bit depth of the
// DIB it delivers: a writer of the picture computes its rows from that depth.
void FillPictureInfo(const ixwic::PictureHeader& header, PictureInfo* info) {
    const ixwic::DibLayout layout = ixwic::MakeDibLayout(header.width, header.height, header.orientation);
    const bool swapped = layout.orientation >= 5;
    const double dpiX = swapped ? header.dpiY : header.dpiX;
    const double dpiY = swapped ? header.dpiX : header.dpiY;
    *info = PictureInfo{};
    info->width = static_cast<long>(std::min<uint32_t>(layout.width, 0x7FFFFFFF));
    info->height = static_cast<long>(std::min<uint32_t>(layout.height, 0x7FFFFFFF));
    info->x_density = static_cast<WORD>(std::clamp(dpiX + 0.5, 0.0, 65535.0));
    info->y_density = static_cast<WORD>(std::clamp(dpiY + 0.5, 0.0, 65535.0));
    info->colorDepth = kDibBitCount;
    info->hInfo = nullptr;
}

// Two local memory handles held until they are handed to the caller.
class CDibHandles {
public:
    bool Allocate(const ixwic::DibLayout& layout) {
        m_info.Reset(::LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, sizeof(BITMAPINFOHEADER)));
        m_bits.Reset(::LocalAlloc(LMEM_MOVEABLE, static_cast<SIZE_T>(layout.bitsSize)));
        if (!m_info.IsValid() || !m_bits.IsValid()) {
            return false;
        }
        const fw::LocalLock locked(m_info.Get());
        auto* info = static_cast<BITMAPINFOHEADER*>(locked.Get());
        info->biSize = sizeof(BITMAPINFOHEADER);
        info->biWidth = static_cast<LONG>(layout.width);
        info->biHeight = static_cast<LONG>(layout.height);
        info->biPlanes = 1;
        info->biBitCount = kDibBitCount;
        info->biCompression = BI_RGB;
        info->biSizeImage = static_cast<DWORD>(layout.bitsSize);
        return true;
    }
    HLOCAL Bits() const { return m_bits.Get(); }
    void Release(HLOCAL* info, HLOCAL* bits) {
        *info = m_info.Release();
        *bits = m_bits.Release();
    }

private:
    fw::LocalMemory m_info;
    fw::LocalMemory m_bits;
};

// Converts the frame to straight-alpha BGRA strip by strip and packs each strip into the DIB.
// A frame of opaque 24-bit BGR pixels (a JPEG's) is copied as it is: converted and
// composited on black it would come out the same, at several times the cost.
int ConvertFrame(const ixwic::CWicPicture& picture, const ixwic::DibLayout& layout, uint8_t* bits,
                 SpiProgressCallback progress, LONG_PTR lData) {
    WICPixelFormatGUID format{};
    const bool opaqueBgr =
        SUCCEEDED(picture.Frame()->GetPixelFormat(&format)) && IsEqualGUID(format, GUID_WICPixelFormat24bppBGR);
    ComPtr<IWICFormatConverter> converter;
    IWICBitmapSource* source = picture.Frame();
    HRESULT hr = S_OK;
    if (!opaqueBgr) {
        hr = picture.Factory()->CreateFormatConverter(&converter);
        if (SUCCEEDED(hr)) {
            hr = converter->Initialize(picture.Frame(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                       nullptr, 0.0, WICBitmapPaletteTypeCustom);
        }
        source = converter.Get();
    }
    if (FAILED(hr)) {
        return ixwic::ResultOfDecoding(hr);
    }
    const uint64_t pixelBytes = opaqueBgr ? 3 : 4;
    const uint64_t stride = (uint64_t{layout.srcWidth} * pixelBytes + 3) / 4 * 4;
    const uint32_t stripRows =
        static_cast<uint32_t>(std::clamp<uint64_t>(kStripBytes / stride, 1, layout.srcHeight));
    std::vector<uint8_t> strip(static_cast<size_t>(stride * stripRows));
    const int total = static_cast<int>(layout.srcHeight);
    for (uint32_t y = 0; y < layout.srcHeight; y += stripRows) {
        const uint32_t rows = std::min(stripRows, layout.srcHeight - y);
        const WICRect rect = {0, static_cast<INT>(y), static_cast<INT>(layout.srcWidth), static_cast<INT>(rows)};
        hr = source->CopyPixels(&rect, static_cast<UINT>(stride), static_cast<UINT>(stride * rows), strip.data());
        if (FAILED(hr)) {
            return ixwic::ResultOfDecoding(hr);
        }
        if (opaqueBgr) {
            ixwic::PackBgrRows(layout, strip.data(), stride, y, rows, bits);
        } else {
            ixwic::PackBgraRows(layout, strip.data(), stride, y, rows, bits);
        }
        if (progress != nullptr && progress(static_cast<int>(y + rows), total, lData) != 0) {
            return kSpiAborted;
        }
    }
    return kSpiSuccess;
}

// A verdict of the system's decoder that the data is damaged stands only when every byte
// of it could be read: a decoder may take a failed read for damage.
int Settle(const ixwic::ExportInput& from, int result) {
    return result == kSpiBrokenData && !ixwic::InputReadsWhole(from) ? kSpiFileReadError : result;
}

int DecodePicture(const ixwic::ExportInput& from, HLOCAL* pHBInfo, HLOCAL* pHBm, SpiProgressCallback progress,
                  LONG_PTR lData) {
    const ixwic::InputHeader input = ixwic::ReadInputHeader(from);
    if (input.openResult != kSpiSuccess) {
        return input.openResult;
    }
    if (input.result == ixwic::HeaderResult::kBroken) {
        return kSpiBrokenData;
    }
    ixwic::CComScope com;
    ixwic::CWicPicture picture;
    const int opened = input.Judge(picture.Open(from), picture);
    if (opened != kSpiSuccess) {
        return Settle(from, opened);
    }
    if (input.result == ixwic::HeaderResult::kRead) {
        picture.AgreeWith(input.header);
    }
    const ixwic::PictureHeader& header = picture.Header();
    const ixwic::DibLayout layout = ixwic::MakeDibLayout(header.width, header.height, header.orientation);
    if (layout.bitsSize > kMaxOutputBytes || layout.width > 0x7FFFFFFF || layout.height > 0x7FFFFFFF) {
        return kSpiOutOfMemory;
    }
    if (progress != nullptr && progress(0, static_cast<int>(layout.srcHeight), lData) != 0) {
        return kSpiAborted;
    }
    CDibHandles dib;
    if (!dib.Allocate(layout)) {
        return kSpiOutOfMemory;
    }
    auto* bits = static_cast<uint8_t*>(::LocalLock(dib.Bits()));
    // The padding bytes at the end of each row are defined, not left over from the heap.
    ixwic::ZeroRowPadding(layout, bits);
    const int result = ConvertFrame(picture, layout, bits, progress, lData);
    ::LocalUnlock(dib.Bits());
    if (result == kSpiSuccess) {
        dib.Release(pHBInfo, pHBm);
    }
    return Settle(from, result);
}

// A legacy caller passes a file handle instead of the header: peek at it and put the
// file position back.
bool IsPictureFile(HANDLE file) {
    LARGE_INTEGER zero = {}, start = {};
    if (!::SetFilePointerEx(file, zero, &start, FILE_CURRENT)) {
        return false;
    }
    uint8_t header[kHeaderPeekBytes] = {};
    DWORD read = 0;
    const BOOL ok = ::ReadFile(file, header, sizeof header, &read, nullptr);
    ::SetFilePointerEx(file, start, nullptr, FILE_BEGIN);
    return ok && ixwic::IsPictureHeader(header, read);
}

int IsSupportedData(DWORD_PTR dw) {
    try {
        if (SpiDataIsFileHandle(dw)) {
            return IsPictureFile(reinterpret_cast<HANDLE>(dw)) ? 1 : 0;
        }
        return ixwic::IsPictureHeader(reinterpret_cast<const uint8_t*>(dw), kHeaderPeekBytes) ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

// The decoding exports in either width: `buf` names a file in the ANSI code page or in UTF-16.
template <class Char>
int ReadPictureInfo(const Char* buf, LONG_PTR len, unsigned int flag, PictureInfo* lpInfo) {
    if (lpInfo == nullptr) {
        return kSpiInternalError;
    }
    try {
        const ixwic::ExportInput from = ixwic::MakeExportInput(buf, len, flag);
        // The header alone answers where it can: the system's decoder may decode every
        // pixel merely to report the size.
        const ixwic::InputHeader input = ixwic::ReadInputHeader(from);
        if (input.openResult != kSpiSuccess) {
            return input.openResult;
        }
        if (input.result == ixwic::HeaderResult::kRead) {
            FillPictureInfo(input.header, lpInfo);
            return kSpiSuccess;
        }
        if (input.result == ixwic::HeaderResult::kBroken) {
            return kSpiBrokenData;
        }
        ixwic::CComScope com;
        ixwic::CWicPicture picture;
        const int result = input.Judge(picture.Open(from), picture);
        if (result == kSpiSuccess) {
            FillPictureInfo(picture.Header(), lpInfo);
            return kSpiSuccess;
        }
        // A picture no decoder here reads is reported at the size its header names, which
        // is what it is then judged by.
        if (result == ixwic::kSpiNoDecoder && input.HasSize()) {
            FillPictureInfo(input.header, lpInfo);
            return kSpiSuccess;
        }
        return Settle(from, result);
    } catch (const std::bad_alloc&) {
        return kSpiOutOfMemory;
    }
}

template <class Char>
int ReadPicture(const Char* buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                SpiProgressCallback progress, LONG_PTR lData) {
    if (pHBInfo == nullptr || pHBm == nullptr) {
        return kSpiInternalError;
    }
    try {
        return DecodePicture(ixwic::MakeExportInput(buf, len, flag), pHBInfo, pHBm, progress, lData);
    } catch (const std::bad_alloc&) {
        return kSpiOutOfMemory;
    }
}

// A picture opened for IxoOpenRowsW: its apartment, and once its rows are first asked
// for, its decoder and frame; they live until IxoCloseRows, on the thread that opened it.
struct CPictureRows {
    ixwic::CComScope com;
    ixwic::ExportInput from;
    ixwic::InputHeader input;
    ixwic::CWicPicture picture;
    uint32_t width = 0;
    uint32_t height = 0;
    int opened = -1;  // what opening the picture through WIC answered, once it was asked

    // Opens the picture, which must be what its header promised: 24-bit rows shown as stored.
    int Open() {
        const int result = input.Judge(picture.Open(from), picture);
        if (result != kSpiSuccess) {
            return Settle(from, result);
        }
        picture.AgreeWith(input.header);
        const ixwic::PictureHeader& header = picture.Header();
        WICPixelFormatGUID format{};
        if (header.width != width || header.height != height ||
            ixwic::MakeDibLayout(header.width, header.height, header.orientation).orientation != 1 ||
            FAILED(picture.Frame()->GetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
            return kSpiUnknownFormat;
        }
        return kSpiSuccess;
    }
};

// Only the header is read here: the system's decoder may decode every pixel as the
// picture is opened, and the caller is told at once that the rows will come in bands.
CPictureRows* OpenRows(LPCWSTR path, LONG* width, LONG* height) {
    auto rows = std::make_unique<CPictureRows>();
    rows->from = ixwic::MakeExportInput(path, 0, 0);
    rows->input = ixwic::ReadInputHeader(rows->from);
    const ixwic::PictureHeader& header = rows->input.header;
    const ixwic::DibLayout layout = ixwic::MakeDibLayout(header.width, header.height, header.orientation);
    // A colour JPEG that every decoder reads, not turned: its frame is 24-bit BGR.
    if (rows->input.openResult != kSpiSuccess || rows->input.result != ixwic::HeaderResult::kRead ||
        header.format != ixwic::PictureFormat::kJpeg || !header.builtIn || header.components != 3 ||
        layout.orientation != 1 || layout.bitsSize > kMaxOutputBytes || layout.width == 0 || layout.height == 0 ||
        layout.width > 0x7FFFFFFF / 3 || layout.height > 0x7FFFFFFF) {
        return nullptr;
    }
    rows->width = layout.width;
    rows->height = layout.height;
    *width = static_cast<LONG>(layout.width);
    *height = static_cast<LONG>(layout.height);
    return rows.release();
}

}  // namespace

// A picture's rows a band at a time, for a caller that scales the picture while it is
// decoded and so never holds it whole. IxoOpenRowsW reads the file's header and names the
// size; it answers null for a picture whose rows are not 24-bit pixels shown as stored
// (the caller then asks GetPictureW). A picture that turns out otherwise fails its reads.
// IxoReadRows copies rows first .. first + count - 1, top row 0, into `into`, `stride`
// bytes apart, within `bytes`. All three calls for one picture are made on the thread
// that opened it.
IXWIC_EXPORT void* WINAPI IxoOpenRowsW(LPCWSTR path, LONG* width, LONG* height) {
    if (path == nullptr || width == nullptr || height == nullptr) {
        return nullptr;
    }
    try {
        return OpenRows(path, width, height);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

IXWIC_EXPORT int WINAPI IxoReadRows(void* opened, UINT first, UINT count, BYTE* into, UINT stride, UINT bytes) {
    auto* rows = static_cast<CPictureRows*>(opened);
    if (rows == nullptr || into == nullptr || count == 0 || first >= rows->height || count > rows->height - first ||
        stride < 3 * rows->width || uint64_t{stride} * count > bytes) {
        return kSpiInternalError;
    }
    if (rows->opened < 0) {
        try {
            rows->opened = rows->Open();
        } catch (const std::bad_alloc&) {
            rows->opened = kSpiOutOfMemory;
        }
    }
    if (rows->opened != kSpiSuccess) {
        return rows->opened;
    }
    const WICRect rect = {0, static_cast<INT>(first), static_cast<INT>(rows->width), static_cast<INT>(count)};
    const HRESULT hr = rows->picture.Frame()->CopyPixels(&rect, stride, stride * count, into);
    return FAILED(hr) ? ixwic::ResultOfDecoding(hr) : kSpiSuccess;
}

IXWIC_EXPORT void WINAPI IxoCloseRows(void* opened) {
    delete static_cast<CPictureRows*>(opened);
}

// Every export may be called on several threads at once: each call makes its own
// apartment, factory, stream and decoder, and the list of codecs is read under a lock.
IXWIC_EXPORT int WINAPI IxoThreadSafe() {
    return 1;
}

IXWIC_EXPORT int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) {
    if (infono == 0) {
        return CopyInfo(kApiVersion, buf, buflen);
    }
    if (infono == 1) {
        return CopyInfo(kPluginName, buf, buflen);
    }
    // Numbers past the list answer an empty text, so a caller never reads stale bytes.
    if (infono < 2) {
        return CopyInfo(std::string(), buf, buflen);
    }
    try {
        const std::vector<ixwic::DecoderFilter> filters = ixwic::InstalledDecoderFilters();
        const size_t index = static_cast<size_t>(infono - 2) / 2;
        if (index >= filters.size()) {
            return CopyInfo(std::string(), buf, buflen);
        }
        const bool isFilter = (infono % 2) == 0;
        return CopyInfo(isFilter ? filters[index].filter : filters[index].description, buf, buflen);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}

// The exports that take a file have a wide form, which takes its name in UTF-16: a name the
// ANSI code page cannot hold reaches the plug-in whole.
IXWIC_EXPORT int WINAPI IsSupported(LPSTR /*filename*/, DWORD_PTR dw) {
    return IsSupportedData(dw);
}

IXWIC_EXPORT int WINAPI IsSupportedW(LPCWSTR /*filename*/, DWORD_PTR dw) {
    return IsSupportedData(dw);
}

IXWIC_EXPORT int WINAPI GetPictureInfo(LPSTR buf, LONG_PTR len, unsigned int flag, PictureInfo* lpInfo) {
    return ReadPictureInfo(buf, len, flag, lpInfo);
}

IXWIC_EXPORT int WINAPI GetPictureInfoW(LPCWSTR buf, LONG_PTR len, unsigned int flag, PictureInfo* lpInfo) {
    return ReadPictureInfo(buf, len, flag, lpInfo);
}

IXWIC_EXPORT int WINAPI GetPicture(LPSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                                   SpiProgressCallback lpPrgressCallback, LONG_PTR lData) {
    return ReadPicture(buf, len, flag, pHBInfo, pHBm, lpPrgressCallback, lData);
}

IXWIC_EXPORT int WINAPI GetPictureW(LPCWSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                                    SpiProgressCallback lpPrgressCallback, LONG_PTR lData) {
    return ReadPicture(buf, len, flag, pHBInfo, pHBm, lpPrgressCallback, lData);
}

IXWIC_EXPORT int WINAPI GetPreview(LPSTR, LONG_PTR, unsigned int, HLOCAL*, HLOCAL*, SpiProgressCallback, LONG_PTR) {
    return kSpiNotImplemented;
}

IXWIC_EXPORT int WINAPI GetPreviewW(LPCWSTR, LONG_PTR, unsigned int, HLOCAL*, HLOCAL*, SpiProgressCallback, LONG_PTR) {
    return kSpiNotImplemented;
}
