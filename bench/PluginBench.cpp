// The shipped plug-in's exports on a 12-megapixel PNG, against the platform floor.
//
//   PluginBench [--reps N] [name prefix...]
//
// Measurements (a name prefix selects them; all run when none is given):
//   png.info     GetPictureInfo on the file, against opening the file and reading its
//                header: a call that decodes the picture shows as a ratio in the thousands
//   png.picture  GetPicture on the file, against decoding it with the imaging component
//                directly into 32-bit pixels
#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/support/BenchSupport.h"
#include "framework/WinApp.h"
#include "image/SpiApi.h"
#include "tests/win/support/WicPictures.h"

fw::CWinApp g_benchApp;

namespace {

using Microsoft::WRL::ComPtr;

constexpr int kPngWidth = 4000;
constexpr int kPngHeight = 3000;
// The info call opens the file, reads a few kilobytes and parses them, the floor reads the
// 33 bytes of signature and header chunk: within twice that, the call decodes nothing.
constexpr double kInfoGoal = 2.0;
// Converting to 24-bit rows and handing them out in local memory on top of the decode.
constexpr double kPictureGoal = 1.25;

// Smooth gradients under a fine grain, opaque: about as hard to compress as a photograph.
uint32_t PngColour(int x, int y) {
    uint32_t grain = static_cast<uint32_t>(y * kPngWidth + x) * 2654435761u;
    grain ^= grain >> 15;
    const uint32_t r = static_cast<uint32_t>(x * 255 / kPngWidth) ^ (grain & 0x1F);
    const uint32_t g = static_cast<uint32_t>(y * 255 / kPngHeight) ^ ((grain >> 5) & 0x1F);
    const uint32_t b = (static_cast<uint32_t>((x + y) >> 5) & 0xFF) ^ ((grain >> 10) & 0x1F);
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// The picture, made on the first run and kept in bench-data.
std::string EnsureBigPng() {
    const std::string dir = bench::DataDir() + "\\png.12mp";
    char recipe[64];
    std::snprintf(recipe, sizeof recipe, "v2 %dx%d png", kPngWidth, kPngHeight);
    const bool made =
        bench::MakeDir(bench::DataDir()) && bench::EnsureFolder(dir, recipe, [](const std::string& folder) {
            std::string why;
            const std::string bytes =
                test::EncodeWithWic(test::WicFormat::kPng, kPngWidth, kPngHeight, PngColour, &why);
            if (bytes.empty()) {
                bench::PrintNote("cannot encode a PNG: %s", why.c_str());
                return false;
            }
            return bench::WriteFileBytes(folder + "\\big.png", bytes.data(), bytes.size());
        });
    return made ? dir + "\\big.png" : std::string();
}

struct Plugin {
    HMODULE module = nullptr;
    SpiGetPictureInfoFn getPictureInfo = nullptr;
    SpiGetPictureFn getPicture = nullptr;

    bool Load(const std::string& path) {
        module = ::LoadLibraryA(path.c_str());
        if (module == nullptr) {
            return false;
        }
        // Through void*: the exports' real types are only known to the header.
        getPictureInfo =
            reinterpret_cast<SpiGetPictureInfoFn>(reinterpret_cast<void*>(::GetProcAddress(module, "GetPictureInfo")));
        getPicture = reinterpret_cast<SpiGetPictureFn>(reinterpret_cast<void*>(::GetProcAddress(module, "GetPicture")));
        return getPictureInfo != nullptr && getPicture != nullptr;
    }
    ~Plugin() {
        if (module != nullptr) {
            ::FreeLibrary(module);
        }
    }
};

// The floor of the info call: the file opened, its signature and header chunk read, the
// size taken from them.
bool ReadPngHeader(const std::string& path, long* width, long* height) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    unsigned char header[33];
    DWORD read = 0;
    const BOOL ok = ::ReadFile(file, header, sizeof header, &read, nullptr);
    ::CloseHandle(file);
    if (!ok || read != sizeof header) {
        return false;
    }
    const auto be32 = [&](int at) {
        return static_cast<long>((uint32_t{header[at]} << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) |
                                 header[at + 3]);
    };
    *width = be32(16);
    *height = be32(20);
    return true;
}

// The floor of the picture call: the system's decoder turning the file into 32-bit pixels.
bool DecodeWithWic(const std::string& path, std::vector<BYTE>& pixels) {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    const std::wstring wide(path.begin(), path.end());
    UINT width = 0, height = 0;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) ||
        FAILED(factory->CreateDecoderFromFilename(wide.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                  &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&width, &height)) ||
        FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return false;
    }
    pixels.resize(size_t{width} * height * 4);
    return SUCCEEDED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size()), pixels.data()));
}

void MeasureInfo(const Plugin& plugin, const std::string& path, int reps) {
    std::string name = path;
    bench::Samples ours;
    bench::Samples floor;
    long width = 0, height = 0;
    for (int rep = 0; rep <= reps; ++rep) {
        PictureInfo info{};
        bench::Stopwatch watch;
        const int result = plugin.getPictureInfo(name.data(), 0, kSpiInputFile, &info);
        const double oursMs = watch.ElapsedMs();
        watch.Restart();
        const bool read = ReadPngHeader(path, &width, &height);
        const double floorMs = watch.ElapsedMs();
        if (result != kSpiSuccess || !read || info.width != width || info.height != height) {
            bench::PrintNote("png.info: result %d, %ldx%ld against the header's %ldx%ld", result, info.width,
                             info.height, width, height);
            return;
        }
        // The first round only warms the file cache and the plug-in.
        if (rep > 0) {
            ours.Add(oursMs);
            floor.Add(floorMs);
        }
    }
    bench::PrintRatio("png.info", ours, floor, kInfoGoal);
    bench::PrintNote("png.info in microseconds: ours median %.0f, floor median %.0f", ours.Median() * 1000,
                     floor.Median() * 1000);
}

void MeasurePicture(const Plugin& plugin, const std::string& path, int reps) {
    std::string name = path;
    bench::Samples ours;
    bench::Samples floor;
    for (int rep = 0; rep <= reps; ++rep) {
        HLOCAL info = nullptr;
        HLOCAL bits = nullptr;
        bench::Stopwatch watch;
        const int result = plugin.getPicture(name.data(), 0, kSpiInputFile, &info, &bits, nullptr, 0);
        const double oursMs = watch.ElapsedMs();
        if (result == kSpiSuccess) {
            ::LocalFree(info);
            ::LocalFree(bits);
        }
        std::vector<BYTE> pixels;
        watch.Restart();
        const bool decoded = DecodeWithWic(path, pixels);
        const double floorMs = watch.ElapsedMs();
        if (result != kSpiSuccess || !decoded) {
            bench::PrintNote("png.picture: result %d, the floor %s", result, decoded ? "decoded" : "failed");
            return;
        }
        if (rep > 0) {
            ours.Add(oursMs);
            floor.Add(floorMs);
        }
    }
    bench::PrintRatio("png.picture", ours, floor, kPictureGoal);
}

}  // namespace

int main(int argc, char** argv) {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    const bench::Options options = bench::ParseOptions(argc, argv);
    if (!bench::EnterWorkFolderWithShippedPlugins()) {
        std::printf("plug-in: the shipped plug-ins are missing (build dist\\SPI first)\n");
        return 1;
    }
    const std::string png = EnsureBigPng();
    Plugin plugin;
    char work[MAX_PATH];
    const DWORD length = ::GetCurrentDirectoryA(MAX_PATH, work);
    if (png.empty() || length == 0 || length >= MAX_PATH ||
        !plugin.Load(std::string(work) + "\\SPI\\IXWIC." + kSpiPluginExtension)) {
        std::printf("plug-in: no 12-megapixel PNG, or the shipped plug-in cannot be loaded\n");
        return 1;
    }
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (options.Wants("png.info")) {
        MeasureInfo(plugin, png, options.reps);
    }
    if (options.Wants("png.picture")) {
        MeasurePicture(plugin, png, options.reps);
    }
    if (SUCCEEDED(com)) {
        ::CoUninitialize();
    }
    return 0;
}
