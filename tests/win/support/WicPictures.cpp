#include "tests/win/support/WicPictures.h"

#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <map>
#include <vector>

namespace test {

namespace {

using Microsoft::WRL::ComPtr;

struct EncoderChoice {
    const GUID* container;
    const GUID* pixelFormat;
    UINT bytesPerPixel;
};

EncoderChoice ChoiceFor(WicFormat format) {
    switch (format) {
        case WicFormat::kJpeg:
            return {&GUID_ContainerFormatJpeg, &GUID_WICPixelFormat24bppBGR, 3};
        case WicFormat::kPng:
            return {&GUID_ContainerFormatPng, &GUID_WICPixelFormat32bppBGRA, 4};
        case WicFormat::kGif:
            return {&GUID_ContainerFormatGif, &GUID_WICPixelFormat8bppIndexed, 1};
        default:
            return {&GUID_ContainerFormatTiff, &GUID_WICPixelFormat24bppBGR, 3};
    }
}

// The pixels in the encoder's input format; for an indexed format also the palette.
bool MakePixels(const EncoderChoice& choice, uint32_t width, uint32_t height, const ArgbFunction& argb,
                std::vector<BYTE>& pixels, std::vector<WICColor>& palette) {
    const UINT stride = (width * choice.bytesPerPixel + 3) / 4 * 4;
    pixels.assign(size_t{stride} * height, 0);
    std::map<uint32_t, BYTE> indices;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t colour = argb(static_cast<int>(x), static_cast<int>(y));
            BYTE* p = &pixels[size_t{y} * stride + size_t{x} * choice.bytesPerPixel];
            if (choice.bytesPerPixel == 1) {
                auto found = indices.find(colour | 0xFF000000u);
                if (found == indices.end()) {
                    if (palette.size() == 256) {
                        return false;
                    }
                    palette.push_back(colour | 0xFF000000u);
                    found = indices.emplace(colour | 0xFF000000u, static_cast<BYTE>(palette.size() - 1)).first;
                }
                p[0] = found->second;
                continue;
            }
            p[0] = colour & 0xFF;
            p[1] = (colour >> 8) & 0xFF;
            p[2] = (colour >> 16) & 0xFF;
            if (choice.bytesPerPixel == 4) {
                p[3] = colour >> 24;
            }
        }
    }
    return true;
}

std::string StreamBytes(IStream* stream) {
    STATSTG stat = {};
    LARGE_INTEGER start = {};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) {
        return {};
    }
    std::string bytes(static_cast<size_t>(stat.cbSize.QuadPart), '\0');
    ULONG read = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    bytes.resize(read);
    return bytes;
}

// Runs the encoder; returns the failing step's name, or null on success.
const char* Encode(IWICImagingFactory* factory, const EncoderChoice& choice, uint32_t width, uint32_t height,
                   const std::vector<BYTE>& pixels, const std::vector<WICColor>& colours, IStream* out) {
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    if (FAILED(factory->CreateEncoder(*choice.container, nullptr, &encoder))) {
        return "no encoder for the format";
    }
    if (FAILED(encoder->Initialize(out, WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(&frame, &options)) || FAILED(frame->Initialize(options.Get())) ||
        FAILED(frame->SetSize(width, height))) {
        return "encoder set-up failed";
    }
    WICPixelFormatGUID format = *choice.pixelFormat;
    if (FAILED(frame->SetPixelFormat(&format)) || format != *choice.pixelFormat) {
        return "pixel format refused";
    }
    if (!colours.empty()) {
        ComPtr<IWICPalette> palette;
        if (FAILED(factory->CreatePalette(&palette)) ||
            FAILED(palette->InitializeCustom(const_cast<WICColor*>(colours.data()), static_cast<UINT>(colours.size()))) ||
            FAILED(frame->SetPalette(palette.Get()))) {
            return "palette refused";
        }
    }
    const UINT stride = static_cast<UINT>(pixels.size() / height);
    if (FAILED(frame->WritePixels(height, stride, static_cast<UINT>(pixels.size()), const_cast<BYTE*>(pixels.data()))) ||
        FAILED(frame->Commit()) || FAILED(encoder->Commit())) {
        return "writing failed";
    }
    return nullptr;
}

void AppendBig32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

uint32_t Crc32(const std::string& bytes, size_t from) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = from; i < bytes.size(); ++i) {
        crc ^= static_cast<uint8_t>(bytes[i]);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
        }
    }
    return ~crc;
}

void AppendPngChunk(std::string& out, const char* type, const std::string& data) {
    AppendBig32(out, static_cast<uint32_t>(data.size()));
    const size_t typeAt = out.size();
    out += type;
    out += data;
    AppendBig32(out, Crc32(out, typeAt));
}

void AppendLittle(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

}  // namespace

std::string EncodeWithWic(WicFormat format, uint32_t width, uint32_t height, const ArgbFunction& argb,
                          std::string* why) {
    const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::string bytes;
    const char* failure = "no imaging factory";
    {
        const EncoderChoice choice = ChoiceFor(format);
        std::vector<BYTE> pixels;
        std::vector<WICColor> palette;
        ComPtr<IWICImagingFactory> factory;
        ComPtr<IStream> out;
        if (!MakePixels(choice, width, height, argb, pixels, palette)) {
            failure = "more than 256 colours for a palette";
        } else if (SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                                IID_PPV_ARGS(&factory))) &&
                   SUCCEEDED(::CreateStreamOnHGlobal(nullptr, TRUE, &out))) {
            failure = Encode(factory.Get(), choice, width, height, pixels, palette, out.Get());
            if (failure == nullptr) {
                bytes = StreamBytes(out.Get());
            }
        }
    }
    if (SUCCEEDED(init)) {
        ::CoUninitialize();
    }
    if (why != nullptr) {
        *why = failure == nullptr ? "" : failure;
    }
    return bytes;
}

std::string MakePngClaimingSize(uint32_t width, uint32_t height) {
    std::string png = "\x89PNG\r\n\x1A\n";
    std::string header;
    AppendBig32(header, width);
    AppendBig32(header, height);
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
    AppendPngChunk(png, "IHDR", header);
    // A zlib stream of one stored block of zeros: far fewer rows than claimed.
    const uint16_t zeros = 4096;
    std::string data = "\x78\x01";
    data += std::string("\x01", 1);
    AppendLittle(data, zeros, 2);
    AppendLittle(data, static_cast<uint16_t>(~zeros), 2);
    data += std::string(zeros, '\0');
    AppendBig32(data, (uint32_t{zeros} << 16) | 1);  // Adler-32 of the zeros
    AppendPngChunk(png, "IDAT", data);
    AppendPngChunk(png, "IEND", "");
    return png;
}

namespace {

// An uncompressed 24-bit TIFF in one strip, of which only the first storedRows rows are written.
std::string MakeTiff(uint32_t width, uint32_t height, uint16_t orientation, const ArgbFunction& argb,
                     uint32_t storedRows) {
    struct Entry {
        uint16_t tag, type;
        uint32_t value;
    };
    constexpr uint16_t kShort = 3, kLong = 4;
    const uint32_t entryCount = 11;
    const uint32_t bitsAt = 8 + 2 + entryCount * 12 + 4;
    const uint32_t pixelsAt = bitsAt + 6;
    const uint32_t pixelBytes = static_cast<uint32_t>(uint64_t{width} * height * 3);
    const Entry entries[] = {
        {256, kLong, width},       {257, kLong, height},     {258, kShort, bitsAt},  {259, kShort, 1},
        {262, kShort, 2},          {273, kLong, pixelsAt},   {274, kShort, orientation}, {277, kShort, 3},
        {278, kLong, height},      {279, kLong, pixelBytes}, {284, kShort, 1},
    };
    std::string tiff = std::string("II*\0", 4);
    AppendLittle(tiff, 8, 4);
    AppendLittle(tiff, entryCount, 2);
    for (const Entry& entry : entries) {
        AppendLittle(tiff, entry.tag, 2);
        AppendLittle(tiff, entry.type, 2);
        AppendLittle(tiff, entry.tag == 258 ? 3 : 1, 4);
        AppendLittle(tiff, entry.value, 4);  // a SHORT sits in the low half, little-endian
    }
    AppendLittle(tiff, 0, 4);
    for (int i = 0; i < 3; ++i) {
        AppendLittle(tiff, 8, 2);
    }
    for (uint32_t y = 0; y < std::min(height, storedRows); ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t colour = argb(static_cast<int>(x), static_cast<int>(y));
            tiff.push_back(static_cast<char>((colour >> 16) & 0xFF));
            tiff.push_back(static_cast<char>((colour >> 8) & 0xFF));
            tiff.push_back(static_cast<char>(colour & 0xFF));
        }
    }
    return tiff;
}

}  // namespace

std::string MakeTiffWithOrientation(uint32_t width, uint32_t height, uint16_t orientation, const ArgbFunction& argb) {
    return MakeTiff(width, height, orientation, argb, height);
}

std::string MakeTiffClaimingSize(uint32_t width, uint32_t height) {
    return MakeTiff(width, height, 1, [](int, int) { return 0xFF000000u; }, 1);
}

namespace {

bool DecodeInApartment(const std::wstring& path, std::vector<uint8_t>& rows) {
    Microsoft::WRL::ComPtr<IWICImagingFactory> factory;
    Microsoft::WRL::ComPtr<IWICBitmapDecoder> decoder;
    Microsoft::WRL::ComPtr<IWICBitmapFrameDecode> frame;
    Microsoft::WRL::ComPtr<IWICFormatConverter> converter;
    UINT width = 0;
    UINT height = 0;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) ||
        FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                  &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) || FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&width, &height))) {
        return false;
    }
    const UINT stride = (width * 3 + 3) / 4 * 4;
    rows.resize(size_t{stride} * height);
    return SUCCEEDED(converter->CopyPixels(nullptr, stride, static_cast<UINT>(rows.size()), rows.data()));
}

}  // namespace

bool DecodeWithWic(const std::wstring& path, std::vector<uint8_t>& rows) {
    const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool decoded = DecodeInApartment(path, rows);
    if (SUCCEEDED(init)) {
        ::CoUninitialize();
    }
    return decoded;
}

}  // namespace test
