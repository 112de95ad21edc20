#pragma once
// The viewer's own BMP reader: it parses a BMP file into a picture, the rows as GDI takes
// them plus a device-dependent bitmap made from them (at once, or when the holder asks for
// it), with a palette for pictures of 8 bits or fewer.
//
// The picture's rows are always a 40-byte BI_RGB header with a positive height (rows
// bottom-up), biClrUsed = N entries of colour table behind it, and uncompressed rows of
// biBitCount bits. That bit count is the file's, except for 16-bit and bit-field files,
// which are held as 32-bit 0x00RRGGBB pixels, and 2-bit files, held as 4-bit. Top-down
// files are held upright, RLE files expanded, 3-byte colour-table entries widened to
// RGBQUADs.
#include <windows.h>

#include <optional>
#include <string>

#include "image/DecodeFailure.h"
#include "image/Picture.h"

class CBmpImage {
public:
    // Reads the file at `path` (opened for exclusive access) into a picture whose bitmap is
    // compatible with `dc`. `keepGoing` is asked between parts of the read. When
    // `fileHeader` is given, a read that succeeds puts the file's information header there
    // in the 40-byte form (a core header's 16-bit fields widened, a short header's missing
    // fields zero; the height as stored). With DeviceBitmap::kLater the picture is drawn from
    // its rows until its holder makes the bitmap.
    static DecodeOutcome Read(const std::wstring& path, HDC dc, const KeepGoing& keepGoing = KeepGoing(),
                              BITMAPINFOHEADER* fileHeader = nullptr, DeviceBitmap bitmap = DeviceBitmap::kNow);
    static DecodeOutcome Read(const std::string& path, HDC dc, const KeepGoing& keepGoing = KeepGoing(),
                              BITMAPINFOHEADER* fileHeader = nullptr, DeviceBitmap bitmap = DeviceBitmap::kNow);
    // The width and height the header of the BMP file at `path` names, read without
    // decoding it (also from a file too large to load); none when the file cannot be read
    // or its header is no BMP header.
    static std::optional<PictureSize> ReadHeaderSize(const std::wstring& path);
    static std::optional<PictureSize> ReadHeaderSize(const std::string& path);
};
