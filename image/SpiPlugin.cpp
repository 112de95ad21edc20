#include "image/SpiPlugin.h"

#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#include "framework/WideText.h"
#include "image/PictureInfoLayout.h"
#include "image/PluginFilter.h"
#include "image/SpiInput.h"

CSpiPlugin::~CSpiPlugin() {
    Unload();
}

bool CSpiPlugin::Load(const std::string& path) {
    return Load(fw::ToWide(path, CP_ACP).value_or(std::wstring()));
}

bool CSpiPlugin::Load(const std::wstring& path) {
    Unload();
    if (path.empty()) {
        return false;
    }
    m_module.Reset(::LoadLibraryW(path.c_str()));
    if (!m_module.IsValid()) {
        return false;
    }
    m_libPath = path;

    auto getPluginInfo = Export<SpiGetPluginInfoFn>("GetPluginInfo");
    if (getPluginInfo == nullptr) {
        Unload();
        return false;
    }
    char version[5] = {};
    getPluginInfo(0, version, sizeof version);
    version[4] = '\0';
    if (version[2] != 'I' || version[3] != 'N') {
        Unload();
        return false;
    }
    return true;
}

void CSpiPlugin::Unload() {
    FreePicture();
    m_module.Reset();
    m_libPath.clear();
}

bool CSpiPlugin::SupportsExtension(const std::string& ext) const {
    auto getPluginInfo = Export<SpiGetPluginInfoFn>("GetPluginInfo");
    if (getPluginInfo == nullptr) {
        return false;
    }
    for (int n = 0; n < kMaxFilters; ++n) {
        char filter[MAX_PATH] = {};
        if (getPluginInfo(2 + 2 * n, filter, sizeof filter) == 0) {
            return false;
        }
        // Plug-ins do not all terminate a cut text.
        filter[sizeof filter - 1] = '\0';
        if (FilterMatchesExtension(filter, ext)) {
            return true;
        }
    }
    return false;
}

bool CSpiPlugin::SupportsExtension(const std::wstring& ext) const {
    const std::optional<std::string> ansi = ExactAnsiText(ext);
    return ansi && SupportsExtension(*ansi);
}

// The record is handed over in a block with room for the natural layout as well as the
// packed one: a plug-in built with the natural layout writes two bytes more, and its text
// handle lies where the packed layout has padding and half a handle. (The 64-bit form of
// the interface publishes the natural position; a plug-in that packs it anyway is read
// the same way.)
int CSpiPlugin::ReadPictureInfo(CSpiInput& input, PictureInfo* info) const {
    constexpr size_t kRoom = spi::RecordRoom(sizeof(HLOCAL));
#ifdef _WIN64
    static_assert(sizeof(PictureInfo) <= kRoom && offsetof(PictureInfo, hInfo) == spi::NaturalHandleOffset(8));
#else
    static_assert(sizeof(PictureInfo) <= kRoom && offsetof(PictureInfo, hInfo) == spi::kPackedHandleOffset);
#endif
    alignas(8) uint8_t block[kRoom] = {};
    std::memset(block + spi::kPackedHandleOffset, spi::kUnwritten, kRoom - spi::kPackedHandleOffset);
    const int result = input.GetPictureInfo(reinterpret_cast<PictureInfo*>(block));
    HLOCAL text = nullptr;
    std::memcpy(&text, block + spi::TextHandleOffset(block, sizeof(HLOCAL)), sizeof text);
    // Text from the picture is not used; only a handle the system knows is released.
    if (text != nullptr && ::LocalFlags(text) != LMEM_INVALID_HANDLE) {
        ::LocalFree(text);
    }
    if (result != kSpiSuccess) {
        return result;
    }
    std::memcpy(info, block, spi::kPackedHandleOffset);
    info->hInfo = nullptr;
    return kSpiSuccess;
}

std::optional<PictureSize> CSpiPlugin::ReadHeaderSize(const std::string& path) const {
    return ReadHeaderSize(fw::ToWide(path, CP_ACP).value_or(std::wstring()));
}

std::optional<PictureSize> CSpiPlugin::ReadHeaderSize(const std::wstring& path) const {
    CSpiInput input;
    PictureInfo info{};
    if (path.empty() || path.size() > kMaxFileName || input.Open(m_module.Get(), path, KeepGoing()) != kSpiSuccess ||
        ReadPictureInfo(input, &info) != kSpiSuccess || info.width <= 0 || info.height <= 0) {
        return std::nullopt;
    }
    return PictureSize{static_cast<int32_t>(info.width), static_cast<int32_t>(info.height)};
}

namespace {

// The plug-in's progress callback: its data is the caller's KeepGoing, or null.
int WINAPI OnProgress(int, int, LONG_PTR data) {
    const auto* keepGoing = reinterpret_cast<const CSpiPlugin::KeepGoing*>(data);
    return keepGoing != nullptr && *keepGoing && !(*keepGoing)() ? 1 : 0;
}

}  // namespace

uint64_t CSpiPlugin::Picture::HeldBytes() const {
    if (!IsHeld()) {
        return 0;
    }
    return uint64_t{::LocalSize(bitmapInfo.Get())} + ::LocalSize(bits.Get());
}

bool CSpiPlugin::Decode(const std::string& path) {
    return Decode(fw::ToWide(path, CP_ACP).value_or(std::wstring()));
}

bool CSpiPlugin::Decode(const std::wstring& path) {
    FreePicture();
    m_lastFailure = DecodeFile(path, m_picture, KeepGoing());
    return !m_lastFailure;
}

bool CSpiPlugin::DecodeTo(const std::string& path, Picture& out, const KeepGoing& keepGoing,
                          DecodeFailure* failure) const {
    return DecodeTo(fw::ToWide(path, CP_ACP).value_or(std::wstring()), out, keepGoing, failure);
}

bool CSpiPlugin::DecodeTo(const std::wstring& path, Picture& out, const KeepGoing& keepGoing,
                          DecodeFailure* failure) const {
    const std::optional<DecodeFailure> failed = DecodeFile(path, out, keepGoing);
    if (failed && failure != nullptr) {
        *failure = *failed;
    }
    return !failed;
}

std::optional<DecodeFailure> CSpiPlugin::DecodeFile(const std::wstring& path, Picture& out,
                                                    const KeepGoing& keepGoing) const {
    out = Picture();
    // The name must fit the picture part whole; a longer path cannot be handed over.
    if (path.size() > kMaxFileName) {
        return DecodeFailure::kReadError;
    }
    CSpiInput input;
    if (const int opened = input.Open(m_module.Get(), path, keepGoing); opened != kSpiSuccess) {
        return FailureOfPluginResult(opened);
    }
    PictureInfo info{};
    if (const int result = ReadPictureInfo(input, &info); result != kSpiSuccess) {
        return FailureOfPluginResult(result);
    }
    out.info = info;
    // After a failure the handles may hold anything: only a success hands them over.
    // A callback is always passed: some plug-ins do not survive a null one.
    HLOCAL bitmapInfo = nullptr;
    HLOCAL bits = nullptr;
    const int result =
        input.GetPicture(&bitmapInfo, &bits, &OnProgress, reinterpret_cast<LONG_PTR>(&keepGoing));
    if (result != kSpiSuccess) {
        out = Picture();
        return FailureOfPluginResult(result);
    }
    // A bitmap that disagrees with what the plug-in reported is its fault, not the file's.
    if (!AdoptBitmap(fw::LocalMemory(bitmapInfo), fw::LocalMemory(bits), out)) {
        out = Picture();
        return DecodeFailure::kUnnamed;
    }
    out.fileName = path;
    return std::nullopt;
}

CSpiPlugin::Picture CSpiPlugin::TakePicture() {
    return std::exchange(m_picture, Picture());
}

void CSpiPlugin::PutPicture(Picture&& picture) {
    m_picture = std::move(picture);
}

bool CSpiPlugin::AdoptBitmap(fw::LocalMemory ownedInfo, fw::LocalMemory ownedBits, Picture& out) {
    HLOCAL info = ownedInfo.Get();
    HLOCAL bits = ownedBits.Get();
    if (info == nullptr || bits == nullptr) {
        return false;
    }
    DibDescription dib;
    {
        fw::LocalLock header(info);
        fw::LocalLock rows(bits);
        if (header.Get() == nullptr || rows.Get() == nullptr ||
            !CheckPluginDib(static_cast<const uint8_t*>(header.Get()), ::LocalSize(info), ::LocalSize(bits),
                            out.info.width, out.info.height, &dib)) {
            return false;
        }
        if (dib.topDown) {
            // Every reader of the picture counts rows from the bottom: flip the rows once here.
            auto* base = static_cast<uint8_t*>(rows.Get());
            std::vector<uint8_t> row(dib.rowBytes);
            for (size_t top = 0, bottom = static_cast<size_t>(dib.height) - 1; top < bottom; ++top, --bottom) {
                std::memcpy(row.data(), base + top * dib.rowBytes, dib.rowBytes);
                std::memcpy(base + top * dib.rowBytes, base + bottom * dib.rowBytes, dib.rowBytes);
                std::memcpy(base + bottom * dib.rowBytes, row.data(), dib.rowBytes);
            }
            static_cast<BITMAPINFOHEADER*>(header.Get())->biHeight = dib.height;
            dib.topDown = false;
        }
    }
    out.dib = dib;
    out.bitmapInfo = std::move(ownedInfo);
    out.bits = std::move(ownedBits);
    return true;
}

void CSpiPlugin::FreePicture() {
    m_picture = Picture();
}

int CSpiPlugin::GetWidth() const {
    return HasPicture() ? static_cast<int>(m_picture.info.width) : 0;
}

int CSpiPlugin::GetHeight() const {
    return HasPicture() ? static_cast<int>(m_picture.info.height) : 0;
}

bool CSpiPlugin::Draw(HDC hdc, const RECT& src, const RECT& dst) const {
    if (!m_picture.bitmapInfo.IsValid() || !m_picture.bits.IsValid()) {
        return true;
    }
    fw::LocalLock info(m_picture.bitmapInfo.Get());
    fw::LocalLock bits(m_picture.bits.Get());
    if (info.Get() == nullptr || bits.Get() == nullptr) {
        return false;
    }
    const int oldStretch = ::SetStretchBltMode(hdc, COLORONCOLOR);
    const int oldMapping = ::SetMapMode(hdc, MM_TEXT);
    const int lines = ::StretchDIBits(hdc, dst.left, dst.top, dst.right - dst.left, dst.bottom - dst.top, src.left,
                                      src.top, src.right - src.left, src.bottom - src.top, bits.Get(),
                                      static_cast<const BITMAPINFO*>(info.Get()), DIB_RGB_COLORS, SRCCOPY);
    ::SetMapMode(hdc, oldMapping);
    ::SetStretchBltMode(hdc, oldStretch);
    return lines != static_cast<int>(GDI_ERROR);
}
