// Fuzzes what the viewer does with an untrusted BMP file before GDI sees it (header
// validation, layout, colour-table widening, flipping, 2-bit and bit-field widening,
// RLE expansion), the check of a plug-in's DIB, and the shipped plug-in's reading of
// picture headers (JPEG, PNG, GIF, TIFF, BMP). Every buffer handed to the code under
// test has exactly the size it is told, so the sanitizers see any access past it;
// broken layout promises trap.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "image/BmpLayout.h"
#include "image/DibCheck.h"
#include "plugins/ixwic/ByteSource.h"
#include "plugins/ixwic/JpegHeader.h"
#include "plugins/ixwic/PictureHeader.h"

namespace {

// Pictures above this many decoded bytes are checked for their layout only: allocating
// up to kMaxHeldBytes on every input would slow the fuzzer down to a crawl.
constexpr uint64_t kMaxDecodedBytes = 1u << 20;

void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

volatile uint32_t g_sink;

void FuzzBmpFile(std::span<const uint8_t> file) {
    const auto prefix = file.first(std::min(file.size(), bmp::kPrefixBytes));
    // The device depth comes from the input too: the size limit depends on it.
    const int deviceBits = file.size() > 8 ? file[6] % 40 : 32;
    bmp::Layout layout;
    if (bmp::ComputeLayout(prefix, file.size(), deviceBits, &layout) != bmp::Status::kOk) {
        return;
    }
    // What the reader relies on before it reads or allocates anything.
    Require(layout.width > 0 && layout.height > 0);
    Require(layout.colorCount <= (layout.bitCount <= 8 ? 1u << layout.bitCount : 0u));
    Require(layout.colorEntryBytes == 3 || layout.colorEntryBytes == 4);
    Require(layout.colorTableOffset + uint64_t{layout.colorCount} * layout.colorEntryBytes <= file.size());
    Require(layout.colorCount == 0 || layout.colorTableOffset + uint64_t{layout.colorCount} * layout.colorEntryBytes <=
                                          layout.pixelOffset);
    Require(layout.pixelOffset <= file.size() && layout.storedBytes <= file.size() - layout.pixelOffset);
    Require(layout.dibBytes == layout.dibRowBytes * static_cast<uint64_t>(layout.height));
    Require(layout.dibBytes <= layout.heldBytes && layout.heldBytes <= bmp::kMaxHeldBytes);
    Require(layout.dibRowBytes >= bmp::RowBytes(layout.width, layout.dibBitCount));
    Require(layout.header.width == layout.width);
    // The colour table as the reader holds it: read at its size in the file, widened in place.
    std::vector<uint8_t> table(uint64_t{layout.colorCount} * 4);
    const auto fileTable = file.subspan(static_cast<size_t>(layout.colorTableOffset),
                                        static_cast<size_t>(uint64_t{layout.colorCount} * layout.colorEntryBytes));
    std::copy(fileTable.begin(), fileTable.end(), table.begin());
    Require(layout.colorEntryBytes == 4 || bmp::WidenColorTable(table, layout.colorCount));
    if (layout.dibBytes > kMaxDecodedBytes) {
        return;
    }
    const auto storedSpan = file.subspan(static_cast<size_t>(layout.pixelOffset), static_cast<size_t>(layout.storedBytes));
    const std::vector<uint8_t> stored(storedSpan.begin(), storedSpan.end());
    std::vector<uint8_t> dib(static_cast<size_t>(layout.dibBytes));
    Require(bmp::DecodeRows(stored, layout, dib));
    g_sink = dib.front() + dib.back() + (table.empty() ? 0 : table.back());
}

// The same input as a plug-in's output: the BITMAPINFO block runs from byte 14 to
// bfOffBits, the bits block from there to the end; the size the plug-in reported is the
// header's own unless the reserved words of the file header say otherwise.
void FuzzPluginDib(std::span<const uint8_t> file) {
    if (file.size() < bmp::kFileHeaderBytes + 4) {
        return;
    }
    const bmp::FileHeader fh = bmp::ReadFileHeader(file);
    const size_t infoEnd = std::clamp<size_t>(fh.offBits, bmp::kFileHeaderBytes, file.size());
    const std::vector<uint8_t> info(file.begin() + bmp::kFileHeaderBytes, file.begin() + infoEnd);
    const std::vector<uint8_t> bits(file.begin() + infoEnd, file.end());
    const bmp::InfoHeader h = bmp::ReadInfoHeader(info);
    const long width = fh.reserved1 != 0 ? fh.reserved1 : h.width;
    const long height = fh.reserved2 != 0 ? fh.reserved2 : (h.height < 0 ? -static_cast<long>(h.height) : h.height);
    DibDescription d;
    if (!CheckPluginDib(info.data(), info.size(), bits.size(), width, height, &d)) {
        return;
    }
    Require(d.headerBytes + d.colorTableBytes <= info.size() && d.imageBytes <= bits.size());
    Require(d.imageBytes == d.rowBytes * static_cast<size_t>(d.height) && d.width == width && d.height == height);
    // Read everything the description vouches for, as GDI would.
    uint32_t sum = 0;
    for (size_t i = 0; i < d.headerBytes + d.colorTableBytes; ++i) {
        sum += info[i];
    }
    for (size_t i = 0; i < d.imageBytes; ++i) {
        sum += bits[i];
    }
    g_sink = sum;
}

// The input read piece by piece through a small window, as the plug-in reads a file.
class PiecewiseInput final : public ixwic::WindowedSource {
public:
    explicit PiecewiseInput(std::span<const uint8_t> input) : WindowedSource(7), m_input(input) {}

protected:
    size_t ReadAt(uint64_t offset, uint8_t* out, size_t size) override {
        if (offset >= m_input.size()) {
            return 0;
        }
        const size_t count = std::min<size_t>(size, m_input.size() - static_cast<size_t>(offset));
        std::memcpy(out, m_input.data() + offset, count);
        return count;
    }

private:
    std::span<const uint8_t> m_input;
};

// The header read from memory and read piece by piece must be the same, and a header
// read is a size the picture information can report (a format left to another decoder's
// may have none).
void FuzzPictureHeader(std::span<const uint8_t> input) {
    const std::vector<uint8_t> copy(input.begin(), input.end());
    ixwic::MemorySource memory(copy.data(), copy.size());
    ixwic::PictureHeader fromMemory;
    const ixwic::HeaderResult result = ixwic::ReadPictureHeader(memory, &fromMemory);
    PiecewiseInput pieces(input);
    ixwic::PictureHeader fromPieces;
    Require(ixwic::ReadPictureHeader(pieces, &fromPieces) == result);
    Require(fromPieces.format == fromMemory.format);
    Require((fromMemory.format == ixwic::PictureFormat::kNone) == (result == ixwic::HeaderResult::kUnknownFormat));
    if (result == ixwic::HeaderResult::kRead || result == ixwic::HeaderResult::kNeedsCodec) {
        Require(fromPieces.width == fromMemory.width && fromPieces.height == fromMemory.height &&
                fromPieces.orientation == fromMemory.orientation);
        Require(fromMemory.orientation >= 1 && fromMemory.orientation <= 8);
        Require((fromMemory.width == 0) == (fromMemory.height == 0) && fromMemory.width <= 0x7FFFFFFF &&
                fromMemory.height <= 0x7FFFFFFF);
    }
    if (result == ixwic::HeaderResult::kRead) {
        Require(fromMemory.width > 0 && fromMemory.height > 0 && fromMemory.width <= 0x7FFFFFFF &&
                fromMemory.height <= 0x7FFFFFFF);
        Require(fromMemory.orientation >= 1 && fromMemory.orientation <= 8);
        Require(fromMemory.dpiX > 0 && fromMemory.dpiY > 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> input(data, size);
    FuzzBmpFile(input);
    FuzzPluginDib(input);
    FuzzPictureHeader(input);
    // The same bytes as a JPEG: from the second byte on, after a start-of-image marker.
    if (size >= 1) {
        std::vector<uint8_t> jpeg{0xFF, 0xD8};
        jpeg.insert(jpeg.end(), data + 1, data + size);
        ixwic::JpegHeader header;
        if (ixwic::ParseJpegHeader(jpeg.data(), jpeg.size(), &header)) {
            Require(header.width > 0 && header.height > 0 && header.orientation >= 1 && header.orientation <= 8);
        }
    }
    return 0;
}
