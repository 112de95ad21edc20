#pragma once
// A decoded picture as a value: the form GDI draws (a BITMAPINFO block, header and colour
// table, and the rows bottom-up), optionally with the palette the BMP reader makes from
// them and the device bitmap it draws them through. It can be moved from one holder to
// another (the pane, the read-ahead, the wallpaper writer) but not copied. A default-made
// picture is empty.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "framework/Gdi.h"
#include "framework/Handles.h"
#include "image/DecodeFailure.h"
#include "portable/KeepGoing.h"


// When the BMP reader makes the device bitmap its pictures are drawn through: as it reads
// the file, or when the picture's holder asks for it (CPicture::MakeDeviceBitmap).
enum class DeviceBitmap { kNow, kLater };

class CPicture {
public:
    // Drawn straight from the rows, or through a device bitmap made from them.
    enum class DrawnBy { kRows, kDeviceBitmap };

    CPicture() = default;
    // Takes over a BITMAPINFO block whose header is a 40-byte header with a positive
    // height, and a rows block holding every row it names (the decoder checked both), and
    // optionally the palette made from them. Both blocks stay locked while the picture owns
    // them. A picture drawn by a device bitmap is drawn from its rows until that is made.
    CPicture(fw::LocalMemory info, fw::LocalMemory bits, fw::CGdiObject<HPALETTE> palette = {},
             DrawnBy drawnBy = DrawnBy::kRows);
    CPicture(const CPicture&) = delete;
    CPicture& operator=(const CPicture&) = delete;
    CPicture(CPicture&& other) noexcept;
    CPicture& operator=(CPicture&& other) noexcept;
    ~CPicture();

    bool IsEmpty() const { return m_info.data == nullptr; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The memory held: the two blocks and the device bitmap.
    uint64_t HeldBytes() const;
    // Whether the picture is to be drawn through a device bitmap that is not made yet.
    bool LacksDeviceBitmap() const { return m_drawnBy == DrawnBy::kDeviceBitmap && m_bitmap.Get() == nullptr; }
    // Whether it is drawn through a device bitmap: stretched that way it costs a few
    // milliseconds even at 24 megapixels, where stretching its rows costs tens.
    bool HasDeviceBitmap() const { return m_bitmap.Get() != nullptr; }
    // Makes that device bitmap from the rows, compatible with `dc`; true when the picture
    // has it (or draws from its rows). False when GDI refused it: the picture is then drawn
    // from its rows for good. The rows are converted a band at a time, and `keepGoing` is
    // asked between bands: broken off, the bitmap is left to be made later (true, and the
    // picture still lacks it).
    bool MakeDeviceBitmap(HDC dc, const KeepGoing& keepGoing = KeepGoing());
    // The BITMAPINFO block (header and colour table) and the rows; empty when nothing is held.
    std::span<const uint8_t> InfoBytes() const { return {m_info.data, m_info.size}; }
    std::span<const uint8_t> Bits() const { return {m_bits.data, m_bits.size}; }
    // Stretches rectangle `src` of the picture (rows counted from the top) onto rectangle
    // `dst` of `dc`. A palette, if any, is selected into `dc` as a foreground palette and
    // stays selected. False when GDI refused; true when nothing is held.
    bool Draw(HDC dc, const RECT& src, const RECT& dst) const;

private:
    // A memory block locked for as long as it is owned.
    struct Block {
        fw::LocalMemory handle;
        uint8_t* data = nullptr;
        size_t size = 0;

        Block() = default;
        explicit Block(fw::LocalMemory owned);
        Block(Block&& other) noexcept;
        Block& operator=(Block&& other) noexcept;
        ~Block() { Unlock(); }
        void Unlock();
    };
    bool DrawBitmap(HDC dc, const RECT& src, const RECT& dst) const;
    bool DrawRows(HDC dc, const RECT& src, const RECT& dst) const;

    Block m_info;
    Block m_bits;
    fw::CGdiObject<HBITMAP> m_bitmap;
    fw::CGdiObject<HPALETTE> m_palette;
    DrawnBy m_drawnBy = DrawnBy::kRows;
    int m_width = 0;
    int m_height = 0;
};

// What a decode gives: a picture, or why there is none.
struct DecodeOutcome {
    CPicture picture;
    std::optional<DecodeFailure> failure;  // none exactly when `picture` holds one

    static DecodeOutcome Failed(DecodeFailure why) { return {CPicture(), why}; }
    explicit operator bool() const { return !failure; }
};
