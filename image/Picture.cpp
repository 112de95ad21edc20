#include "image/Picture.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "image/BmpLayout.h"

CPicture::Block::Block(fw::LocalMemory owned) : handle(std::move(owned)) {
    if (handle.IsValid()) {
        data = static_cast<uint8_t*>(::LocalLock(handle.Get()));
        size = data != nullptr ? ::LocalSize(handle.Get()) : 0;
    }
}

CPicture::Block::Block(Block&& other) noexcept
    : handle(std::move(other.handle)),
      data(std::exchange(other.data, nullptr)),
      size(std::exchange(other.size, 0)) {}

CPicture::Block& CPicture::Block::operator=(Block&& other) noexcept {
    if (this != &other) {
        Unlock();
        handle = std::move(other.handle);
        data = std::exchange(other.data, nullptr);
        size = std::exchange(other.size, 0);
    }
    return *this;
}

void CPicture::Block::Unlock() {
    if (data != nullptr) {
        ::LocalUnlock(handle.Get());
        data = nullptr;
        size = 0;
    }
}

CPicture::CPicture(fw::LocalMemory info, fw::LocalMemory bits, fw::CGdiObject<HPALETTE> palette, DrawnBy drawnBy)
    : m_info(std::move(info)), m_bits(std::move(bits)), m_palette(std::move(palette)), m_drawnBy(drawnBy) {
    if (m_info.size < sizeof(BITMAPINFOHEADER) || m_bits.data == nullptr) {
        *this = CPicture();
        return;
    }
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(m_info.data);
    m_width = header->biWidth;
    m_height = std::abs(header->biHeight);
}

CPicture::CPicture(CPicture&& other) noexcept
    : m_info(std::move(other.m_info)),
      m_bits(std::move(other.m_bits)),
      m_bitmap(std::move(other.m_bitmap)),
      m_palette(std::move(other.m_palette)),
      m_drawnBy(std::exchange(other.m_drawnBy, DrawnBy::kRows)),
      m_width(std::exchange(other.m_width, 0)),
      m_height(std::exchange(other.m_height, 0)) {}

CPicture& CPicture::operator=(CPicture&& other) noexcept {
    if (this != &other) {
        m_palette = std::move(other.m_palette);
        m_bitmap = std::move(other.m_bitmap);
        m_bits = std::move(other.m_bits);
        m_info = std::move(other.m_info);
        m_drawnBy = std::exchange(other.m_drawnBy, DrawnBy::kRows);
        m_width = std::exchange(other.m_width, 0);
        m_height = std::exchange(other.m_height, 0);
    }
    return *this;
}

CPicture::~CPicture() = default;

uint64_t CPicture::HeldBytes() const {
    if (IsEmpty()) {
        return 0;
    }
    uint64_t device = 0;
    BITMAP bitmap{};
    if (m_bitmap.Get() != nullptr && ::GetObjectA(m_bitmap.Get(), sizeof bitmap, &bitmap) != 0) {
        device = uint64_t{static_cast<uint32_t>(bitmap.bmWidthBytes)} * static_cast<uint32_t>(bitmap.bmHeight);
    }
    return uint64_t{m_info.size} + m_bits.size + device;
}

bool CPicture::MakeDeviceBitmap(HDC dc, const KeepGoing& keepGoing) {
    if (IsEmpty() || !LacksDeviceBitmap()) {
        return true;
    }
    const auto* info = reinterpret_cast<const BITMAPINFO*>(m_info.data);
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const size_t stride =
        m_width > 0 ? static_cast<size_t>(bmp::RowBytes(static_cast<uint64_t>(m_width), header.biBitCount)) : 0;
    if (!keepGoing || stride == 0 || m_height == 0 ||
        (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS)) {
        m_bitmap.Reset(::CreateDIBitmap(dc, &header, CBM_INIT, m_bits.data, info, DIB_RGB_COLORS));
    } else {
        // Converting 24 megapixels to the display's format takes a second on a slow host,
        // and a key must not wait for it: a band of rows at a time, each a DIB of its own.
        constexpr size_t kBandBytes = size_t{2} << 20;
        const int bandRows = static_cast<int>(std::clamp<size_t>(kBandBytes / stride, 1, m_height));
        const bool topDown = header.biHeight < 0;
        fw::CGdiObject<HBITMAP> bitmap(::CreateCompatibleBitmap(dc, m_width, m_height));
        const fw::CMemoryDC memory(dc);
        std::vector<uint8_t> bandInfo(m_info.data, m_info.data + m_info.size);
        auto& band = reinterpret_cast<BITMAPINFO*>(bandInfo.data())->bmiHeader;
        band.biSizeImage = 0;
        bool made = bitmap.Get() != nullptr && memory.GetSafeHdc() != nullptr;
        if (made) {
            const fw::CSelectObject select(memory.GetSafeHdc(), bitmap.Get());
            for (int top = 0; made && top < m_height; top += bandRows) {
                if (top > 0 && !keepGoing()) {
                    return true;
                }
                const int rows = std::min(bandRows, m_height - top);
                const size_t firstRowInMemory = static_cast<size_t>(topDown ? top : m_height - top - rows);
                band.biHeight = topDown ? -rows : rows;
                made = ::SetDIBitsToDevice(
                           memory.GetSafeHdc(), 0, top, static_cast<DWORD>(m_width), static_cast<DWORD>(rows), 0, 0, 0,
                           static_cast<UINT>(rows), m_bits.data + firstRowInMemory * stride,
                           reinterpret_cast<const BITMAPINFO*>(bandInfo.data()), DIB_RGB_COLORS) == rows;
            }
        }
        if (made) {
            m_bitmap = std::move(bitmap);
        }
    }
    if (m_bitmap.Get() == nullptr) {
        m_drawnBy = DrawnBy::kRows;
        return false;
    }
    return true;
}

bool CPicture::Draw(HDC dc, const RECT& src, const RECT& dst) const {
    if (IsEmpty()) {
        return true;
    }
    if (m_palette.Get() != nullptr) {
        ::SelectPalette(dc, m_palette.Get(), FALSE);
        ::RealizePalette(dc);
    }
    return m_bitmap.Get() != nullptr ? DrawBitmap(dc, src, dst) : DrawRows(dc, src, dst);
}

bool CPicture::DrawBitmap(HDC dc, const RECT& src, const RECT& dst) const {
    fw::CMemoryDC memory(dc);
    if (memory.GetSafeHdc() == nullptr) {
        return false;
    }
    fw::CSelectObject select(memory, m_bitmap.Get());
    const int oldMode = ::SetStretchBltMode(dc, COLORONCOLOR);
    const BOOL drawn =
        ::StretchBlt(dc, dst.left, dst.top, std::abs(dst.right - dst.left), std::abs(dst.bottom - dst.top), memory,
                     src.left, src.top, std::abs(src.right - src.left), std::abs(src.bottom - src.top), SRCCOPY);
    if (oldMode != 0) {
        ::SetStretchBltMode(dc, oldMode);
    }
    return drawn != FALSE;
}

// The rows are handed to GDI as they are held; a bottom-up DIB's source rectangle counts
// its rows from the bottom, so the rectangle is turned over first.
bool CPicture::DrawRows(HDC dc, const RECT& src, const RECT& dst) const {
    const int oldStretch = ::SetStretchBltMode(dc, COLORONCOLOR);
    const int oldMapping = ::SetMapMode(dc, MM_TEXT);
    const int lines = ::StretchDIBits(dc, dst.left, dst.top, dst.right - dst.left, dst.bottom - dst.top, src.left,
                                      m_height - src.bottom, src.right - src.left, src.bottom - src.top, m_bits.data,
                                      reinterpret_cast<const BITMAPINFO*>(m_info.data), DIB_RGB_COLORS, SRCCOPY);
    ::SetMapMode(dc, oldMapping);
    ::SetStretchBltMode(dc, oldStretch);
    return lines != static_cast<int>(GDI_ERROR);
}
