#pragma once
// A BMP file read by the viewer itself into a device-dependent bitmap, with a logical
// palette for pictures of 8 bits or fewer. The picture pane holds one.
//
// Two views of the picture are kept:
// - m_fileHeader and m_infoHeader: the file's first 14 bytes and its information header
//   in the 40-byte form (a core header's 16-bit fields widened, a short header's missing
//   fields zero). GetWidth, GetBitCount, GetRowBytes and GetInfoHeader describe the file
//   (GetHeight is the absolute height, also for top-down files).
// - m_bitmapInfo and m_bits: the rows as handed to GDI, which is always a 40-byte
//   BI_RGB header with a positive height (rows bottom-up), biClrUsed = N entries of
//   colour table behind it, and uncompressed rows of biBitCount bits. That bit count
//   is the file's, except for 16-bit and bit-field files, which are held as 32-bit
//   0x00RRGGBB pixels, and 2-bit files, held as 4-bit. Top-down files are held upright,
//   RLE files expanded, 3-byte colour-table entries widened to RGBQUADs.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "framework/Gdi.h"
#include "framework/Handles.h"
#include "image/DecodeFailure.h"

class CBmpImage {
public:
    CBmpImage();
    CBmpImage(const CBmpImage&) = delete;
    CBmpImage& operator=(const CBmpImage&) = delete;
    // A picture read into one object can be handed to another.
    CBmpImage(CBmpImage&&) noexcept = default;
    CBmpImage& operator=(CBmpImage&&) noexcept = default;
    ~CBmpImage();

    // Asked between parts of a load; false stops the load, which then fails.
    using KeepGoing = std::function<bool()>;
    // Reads the file at `path` (opened for exclusive access) into a bitmap compatible
    // with `dc`. Releases the previous picture first; a failed load leaves the object empty
    // and LastFailure() says why.
    bool Load(const std::wstring& path, HDC dc, const KeepGoing& keepGoing = KeepGoing());
    bool Load(const std::string& path, HDC dc, const KeepGoing& keepGoing = KeepGoing());
    // Why the latest Load failed; none after one that succeeded (or before any).
    std::optional<DecodeFailure> LastFailure() const { return m_lastFailure; }
    // The width and height the header of the BMP file at `path` names, read without
    // decoding it (also from a file too large to load); none when the file cannot be read
    // or its header is no BMP header.
    static std::optional<PictureSize> ReadHeaderSize(const std::wstring& path);
    static std::optional<PictureSize> ReadHeaderSize(const std::string& path);
    // The memory held: the rows as handed to GDI, their header, and the device bitmap.
    uint64_t HeldBytes() const;
    // Releases everything held; nothing happens when nothing is held.
    void Free();
    // Stretches rectangle `src` of the picture onto rectangle `dst` of `dc`. The palette,
    // if any, is selected into `dc` as a foreground palette and stays selected.
    void Draw(const RECT& src, const RECT& dst, HDC dc);

    int GetWidth() const;
    int GetHeight() const;
    int GetBitCount() const;
    const BITMAPINFOHEADER& GetInfoHeader() const { return m_infoHeader; }
    bool IsLoaded() const { return m_bitmap.Get() != nullptr; }
    // Colour-table entry i as stored (blue in the lowest byte); 0 when nothing is held,
    // above 8 bits, or when i is not below N.
    uint32_t GetColorEntry(int i) const;
    // (biWidth * biBitCount + 31) / 32 * 4 of the file; 0 when nothing is held.
    int GetRowBytes() const;
    // The held rows as handed to GDI, for readers of the picture: the BITMAPINFO block
    // (header and colour table) and the rows' block; empty when nothing is held.
    std::span<const uint8_t> GetHeldBitmapInfo() const;
    std::span<const uint8_t> GetHeldBits() const;

private:
    std::optional<DecodeFailure> LoadFile(const std::wstring& path, HDC dc, const KeepGoing& keepGoing);
    const BITMAPINFO* BitmapInfo() const { return static_cast<const BITMAPINFO*>(static_cast<void*>(m_bitmapInfo.Get())); }

    bool m_bTrueColor = false;  // 16 bits or more: no colour table, no palette
    fw::CGdiObject<HBITMAP> m_bitmap;   // held exactly while a picture is loaded
    fw::CGdiObject<HPALETTE> m_palette;
    BITMAPFILEHEADER m_fileHeader{};
    BITMAPINFOHEADER m_infoHeader{};
    fw::GlobalMemory m_bitmapInfo;  // header and colour table of m_bits (fixed memory)
    fw::GlobalMemory m_bits;        // rows of m_bitmapInfo's form
    fw::GlobalMemory m_logPalette;  // what m_palette was made from
    std::optional<DecodeFailure> m_lastFailure;
};
