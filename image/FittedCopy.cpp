#include "image/FittedCopy.h"

#include <atomic>

namespace {
std::atomic<unsigned> g_made{0};
}  // namespace

unsigned CFittedCopy::MadeCount() {
    return g_made.load();
}

std::optional<CFittedCopy> CFittedCopy::Make(const CPicture& picture, int width, int height,
                                             const KeepGoing& keepGoing) {
    SourceRows source;
    if (picture.IsEmpty() || !DescribeDibRows(picture.InfoBytes(), picture.Bits(), &source)) {
        return CFittedCopy();
    }
    return Fill(width, height, [&](const BgrxRows& target) { return ResamplePicture(source, target, keepGoing); });
}

std::optional<CFittedCopy> CFittedCopy::Make(int sourceWidth, int sourceHeight, RowSource& rows, int width,
                                             int height, const KeepGoing& keepGoing) {
    return Fill(width, height, [&](const BgrxRows& target) {
        return ResampleRows(sourceWidth, sourceHeight, rows, target, keepGoing);
    });
}

std::optional<CFittedCopy> CFittedCopy::Fill(int width, int height,
                                             const std::function<ResampleStatus(const BgrxRows&)>& fill) {
    CFittedCopy copy;
    if (width <= 0 || height <= 0) {
        return copy;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down, as the resampler writes it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    fw::CGdiObject<HBITMAP> section(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (section.Get() == nullptr || bits == nullptr) {
        return copy;
    }
    const size_t stride = size_t{4} * static_cast<size_t>(width);
    const BgrxRows target{static_cast<uint8_t*>(bits), stride * static_cast<size_t>(height), width, height, stride,
                          true};
    const ResampleStatus status = fill(target);
    if (status == ResampleStatus::kStopped) {
        return std::nullopt;
    }
    if (status != ResampleStatus::kOk) {
        return copy;
    }
    ++g_made;
    copy.m_bitmap = std::move(section);
    copy.m_width = width;
    copy.m_height = height;
    return copy;
}

bool CFittedCopy::Draw(HDC dc, int x, int y) const {
    if (IsEmpty()) {
        return false;
    }
    fw::CMemoryDC memory(dc);
    if (memory.GetSafeHdc() == nullptr) {
        return false;
    }
    fw::CSelectObject select(memory, m_bitmap.Get());
    return ::BitBlt(dc, x, y, m_width, m_height, memory, 0, 0, SRCCOPY) != FALSE;
}
