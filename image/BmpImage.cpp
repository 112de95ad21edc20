#include "image/BmpImage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <utility>

#include "framework/Gdi.h"
#include "framework/Handles.h"
#include "framework/WideText.h"
#include "image/BmpLayout.h"
#include "image/DecodeThread.h"

static_assert(sizeof(BITMAPFILEHEADER) == bmp::kFileHeaderBytes, "the file header is read as 14 bytes");
static_assert(sizeof(BITMAPINFOHEADER) == bmp::kInfoHeaderBytes, "the info header is read as 40 bytes");

namespace {

// Fixed, zero-initialised memory: the picture owns it as local memory, like a plug-in's.
constexpr UINT kBlockFlags = LMEM_FIXED | LMEM_ZEROINIT;
constexpr DWORD kReadChunk = 16u << 20;

uint8_t* BytesOf(const fw::LocalMemory& block) {
    return static_cast<uint8_t*>(static_cast<void*>(block.Get()));
}

// Writes one byte of every page of `buffer`. Under Wine a file read into pages the program
// has not touched yet takes about half as long again as one into pages already written.
void TouchPages(uint8_t* buffer, size_t size) {
    constexpr size_t kPageBytes = 4096;
    for (size_t at = 0; at < size; at += kPageBytes) {
        buffer[at] = 0;
    }
}

// Reads up to `size` bytes at `offset` into `buffer`; `*got` tells how many arrived before
// the end of the file. A read error, or `keepGoing` (asked between chunks) saying to stop,
// is the failure returned. Bytes of `buffer` the file does not reach may be set to zero.
std::optional<DecodeFailure> ReadAt(HANDLE file, uint64_t offset, uint8_t* buffer, uint64_t size, uint64_t* got,
                                    const KeepGoing* keepGoing = nullptr) {
    *got = 0;
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(file, position, nullptr, FILE_BEGIN)) {
        return DecodeFailure::kReadError;
    }
    while (*got < size) {
        if (*got > 0 && keepGoing != nullptr && *keepGoing && !(*keepGoing)()) {
            return DecodeFailure::kStopped;
        }
        const DWORD want = static_cast<DWORD>(std::min<uint64_t>(size - *got, kReadChunk));
        TouchPages(buffer + *got, want);
        DWORD read = 0;
        if (!::ReadFile(file, buffer + *got, want, &read, nullptr)) {
            return DecodeFailure::kReadError;
        }
        if (read == 0) {
            break;  // end of file: the rest stays zero
        }
        *got += read;
    }
    return std::nullopt;
}

// The rows handed to GDI: the stored rows read from the file and made plain and bottom-up.
// Rows missing from a truncated file stay zero. Empty, with `*failure` set, on failure.
fw::LocalMemory ReadPixels(HANDLE file, const bmp::Layout& layout, const KeepGoing& keepGoing,
                            DecodeFailure* failure) {
    fw::LocalMemory dib(::LocalAlloc(kBlockFlags, static_cast<SIZE_T>(layout.dibBytes)));
    if (!dib.IsValid()) {
        *failure = DecodeFailure::kOutOfMemory;
        return {};
    }
    const std::span<uint8_t> out(BytesOf(dib), static_cast<size_t>(layout.dibBytes));
    uint64_t got = 0;
    if (layout.kind == bmp::PixelKind::kPlain) {
        if (const auto failed = ReadAt(file, layout.pixelOffset, out.data(), layout.storedBytes, &got, &keepGoing)) {
            *failure = *failed;
            return {};
        }
        if (layout.topDown) {
            bmp::FlipRows(out, static_cast<size_t>(layout.dibRowBytes));
        }
        return dib;
    }
    fw::LocalMemory stored(::LocalAlloc(LMEM_FIXED, static_cast<SIZE_T>(std::max<uint64_t>(layout.storedBytes, 1))));
    if (!stored.IsValid()) {
        *failure = DecodeFailure::kOutOfMemory;
        return {};
    }
    if (const auto failed = ReadAt(file, layout.pixelOffset, BytesOf(stored), layout.storedBytes, &got, &keepGoing)) {
        *failure = *failed;
        return {};
    }
    // The layout was checked against the file: rows it cannot decode are the reader's own
    // fault, no verdict that the file holds no picture.
    const std::span<const uint8_t> in(BytesOf(stored), static_cast<size_t>(got));
    if (!bmp::DecodeRows(in, layout, out)) {
        *failure = DecodeFailure::kUnnamed;
        return {};
    }
    return dib;
}

// The BITMAPINFO of the rows handed to GDI, with the file's colour table behind the header
// (its 3-byte entries widened to RGBQUADs).
fw::LocalMemory ReadBitmapInfo(HANDLE file, const bmp::Layout& layout, const BITMAPINFOHEADER& read,
                                DecodeFailure* failure) {
    const uint64_t tableBytes = uint64_t{layout.colorCount} * sizeof(RGBQUAD);
    const uint64_t fileTableBytes = uint64_t{layout.colorCount} * layout.colorEntryBytes;
    const SIZE_T size = static_cast<SIZE_T>(std::max<uint64_t>(sizeof(BITMAPINFOHEADER) + tableBytes, sizeof(BITMAPINFO)));
    fw::LocalMemory block(::LocalAlloc(kBlockFlags, size));
    if (!block.IsValid()) {
        *failure = DecodeFailure::kOutOfMemory;
        return {};
    }
    auto* info = static_cast<BITMAPINFO*>(static_cast<void*>(block.Get()));
    uint64_t got = 0;
    uint8_t* table = reinterpret_cast<uint8_t*>(info->bmiColors);
    if (tableBytes > 0) {
        // The layout found the whole table inside the file: a short read is a read error.
        if (ReadAt(file, layout.colorTableOffset, table, fileTableBytes, &got).has_value() || got != fileTableBytes) {
            *failure = DecodeFailure::kReadError;
            return {};
        }
        if (layout.colorEntryBytes == 3 &&
            !bmp::WidenColorTable({table, static_cast<size_t>(tableBytes)}, layout.colorCount)) {
            *failure = DecodeFailure::kUnnamed;  // a table this reader sized wrongly
            return {};
        }
    }
    BITMAPINFOHEADER& h = info->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = layout.width;
    h.biHeight = layout.height;
    h.biPlanes = 1;
    h.biBitCount = layout.dibBitCount;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(layout.dibBytes);
    h.biXPelsPerMeter = read.biXPelsPerMeter;
    h.biYPelsPerMeter = read.biYPelsPerMeter;
    h.biClrUsed = layout.colorCount;
    h.biClrImportant = read.biClrImportant <= layout.colorCount ? read.biClrImportant : 0;
    return block;
}

// The file's information header in the 40-byte form, as the layout gives it.
BITMAPINFOHEADER ToInfoHeader(const bmp::InfoHeader& h) {
    return BITMAPINFOHEADER{.biSize = h.size,
                            .biWidth = h.width,
                            .biHeight = h.height,
                            .biPlanes = h.planes,
                            .biBitCount = h.bitCount,
                            .biCompression = h.compression,
                            .biSizeImage = h.sizeImage,
                            .biXPelsPerMeter = h.xPelsPerMeter,
                            .biYPelsPerMeter = h.yPelsPerMeter,
                            .biClrUsed = h.clrUsed,
                            .biClrImportant = h.clrImportant};
}

// A LOGPALETTE of the colour table's N entries, in the palette's order red, green, blue.
fw::LocalMemory MakeLogPalette(const BITMAPINFO& info) {
    const DWORD count = info.bmiHeader.biClrUsed;
    fw::LocalMemory block(::LocalAlloc(kBlockFlags, sizeof(PALETTEENTRY) * count + 8));
    if (!block.IsValid()) {
        return {};
    }
    auto* palette = static_cast<LOGPALETTE*>(static_cast<void*>(block.Get()));
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(count);
    // Both tables run past their one declared element, over memory allocated for them.
    const RGBQUAD* table = info.bmiColors;
    PALETTEENTRY* entries = palette->palPalEntry;
    for (DWORD i = 0; i < count; ++i) {
        entries[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    }
    return block;
}

}  // namespace

DecodeOutcome CBmpImage::Read(const std::string& path, HDC dc, const KeepGoing& keepGoing,
                              BITMAPINFOHEADER* fileHeader, DeviceBitmap bitmap) {
    return Read(fw::ToWide(path, CP_ACP).value_or(std::wstring()), dc, keepGoing, fileHeader, bitmap);
}

DecodeOutcome CBmpImage::Read(const std::wstring& path, HDC dc, const KeepGoing& keepGoing,
                              BITMAPINFOHEADER* fileHeader, DeviceBitmap bitmap) {
    // A file that cannot be opened (locked, gone, no access) is a read error, whatever the cause.
    if (path.empty()) {
        return DecodeOutcome::Failed(DecodeFailure::kReadError);
    }
    // Read for the shown picture, a file another handle holds open is refused. A read-ahead
    // worker reads beside the keys: it shuts writers out, but the file may be renamed or
    // deleted meanwhile (a wallpaper written over it, another program's move); its stamp,
    // checked afterwards, tells whether what was read is still the file.
    const DWORD share = decode_thread::IsReadAheadWorker() ? FILE_SHARE_READ | FILE_SHARE_DELETE : 0;
    fw::FileHandle file(
        ::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER fileSize;
    if (!file.IsValid() || !::GetFileSizeEx(file.Get(), &fileSize)) {
        return DecodeOutcome::Failed(DecodeFailure::kReadError);
    }
    const uint64_t size = static_cast<uint64_t>(fileSize.QuadPart);
    uint8_t prefix[bmp::kPrefixBytes] = {};
    const uint64_t prefixSize = std::min<uint64_t>(size, sizeof prefix);
    uint64_t got = 0;
    if (ReadAt(file.Get(), 0, prefix, prefixSize, &got).has_value() || got != prefixSize) {
        return DecodeOutcome::Failed(DecodeFailure::kReadError);
    }
    bmp::Layout layout;
    const int deviceBits = ::GetDeviceCaps(dc, BITSPIXEL) * ::GetDeviceCaps(dc, PLANES);
    const bmp::Status status = bmp::ComputeLayout({prefix, static_cast<size_t>(prefixSize)}, size, deviceBits, &layout);
    if (status != bmp::Status::kOk) {
        return DecodeOutcome::Failed(bmp::FailureOf(status));
    }
    const BITMAPINFOHEADER infoHeader = ToInfoHeader(layout.header);
    DecodeFailure failure = DecodeFailure::kUnnamed;
    fw::LocalMemory info = ReadBitmapInfo(file.Get(), layout, infoHeader, &failure);
    fw::LocalMemory bits = info.IsValid() ? ReadPixels(file.Get(), layout, keepGoing, &failure) : fw::LocalMemory();
    if (!bits.IsValid()) {
        return DecodeOutcome::Failed(failure);
    }
    if (keepGoing && !keepGoing()) {
        return DecodeOutcome::Failed(DecodeFailure::kStopped);
    }
    file.Reset();
    const auto* bitmapInfo = static_cast<const BITMAPINFO*>(static_cast<void*>(info.Get()));
    fw::CGdiObject<HPALETTE> palette;
    if (layout.bitCount <= 8) {
        const fw::LocalMemory logPalette = MakeLogPalette(*bitmapInfo);
        if (!logPalette.IsValid()) {
            return DecodeOutcome::Failed(DecodeFailure::kOutOfMemory);
        }
        palette.Reset(::CreatePalette(static_cast<const LOGPALETTE*>(static_cast<void*>(logPalette.Get()))));
    }
    CPicture picture(std::move(info), std::move(bits), std::move(palette), CPicture::DrawnBy::kDeviceBitmap);
    // GDI refuses a bitmap it has no memory for.
    if (bitmap == DeviceBitmap::kNow && !picture.MakeDeviceBitmap(dc)) {
        return DecodeOutcome::Failed(DecodeFailure::kOutOfMemory);
    }
    if (fileHeader != nullptr) {
        *fileHeader = infoHeader;
    }
    return {std::move(picture), std::nullopt};
}

std::optional<PictureSize> CBmpImage::ReadHeaderSize(const std::string& path) {
    return ReadHeaderSize(fw::ToWide(path, CP_ACP).value_or(std::wstring()));
}

std::optional<PictureSize> CBmpImage::ReadHeaderSize(const std::wstring& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    // Shared with every other reader and writer: only the first bytes are read.
    fw::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    uint8_t prefix[bmp::kPrefixBytes] = {};
    uint64_t got = 0;
    if (!file.IsValid() || ReadAt(file.Get(), 0, prefix, sizeof prefix, &got).has_value()) {
        return std::nullopt;
    }
    return bmp::HeaderSize({prefix, static_cast<size_t>(got)});
}
