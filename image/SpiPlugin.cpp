#include "image/SpiPlugin.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "framework/WideText.h"
#include "image/DecodeThread.h"
#include "image/DibCheck.h"
#include "image/PictureInfoLayout.h"
#include "image/PluginFilter.h"
#include "image/SpiInput.h"

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
    using ThreadSafeFn = int(WINAPI*)();
    const auto threadSafe = Export<ThreadSafeFn>("IxoThreadSafe");
    m_bThreadSafe = threadSafe != nullptr && threadSafe() == 1;
    m_bRows = m_bThreadSafe && Export<void*>("IxoOpenRowsW") != nullptr && Export<void*>("IxoReadRows") != nullptr &&
              Export<void*>("IxoCloseRows") != nullptr;
    return true;
}

template <class Result>
std::optional<Result> CSpiPlugin::Call(std::function<Result(const KeepGoing& keepGoing)> call,
                                       const KeepGoing& keepGoing) const {
    if (!m_bThreadSafe || !decode_thread::IsReadAheadWorker()) {
        return decode_thread::RunFor<Result>(
            [call = std::move(call)](const decode_thread::StopFlag& stop) {
                const KeepGoing going = [&stop] { return !stop.load(); };
                return call(going);
            },
            keepGoing);
    }
    if (keepGoing && !keepGoing()) {
        return std::nullopt;
    }
    // Here the plug-in asks the caller's own question at each progress report.
    const decode_thread::OutsideCall counted;
    return call(keepGoing);
}

CSpiPlugin& CSpiPlugin::operator=(CSpiPlugin&& other) noexcept {
    if (this != &other) {
        Unload();
        m_module = std::move(other.m_module);
        m_libPath = std::move(other.m_libPath);
        m_bThreadSafe = other.m_bThreadSafe;
        m_bRows = other.m_bRows;
    }
    return *this;
}

CSpiPlugin::~CSpiPlugin() {
    Unload();
}

void CSpiPlugin::Unload() {
    // A decode abandoned by its caller may still run in the library.
    if (m_module.IsValid()) {
        decode_thread::WaitUntilIdle();
    }
    m_module.Reset();
    m_libPath.clear();
    m_bThreadSafe = false;
    m_bRows = false;
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

std::optional<PictureSize> CSpiPlugin::ReadHeaderSize(const std::wstring& path, const KeepGoing& keepGoing) const {
    if (path.empty() || path.size() > kMaxFileName) {
        return std::nullopt;
    }
    // A plug-in is only ever called on the decode thread. The thread may still be running out
    // a decode given up before (a plug-in that reports no progress cannot be stopped): a
    // caller that must not wait for it gives up waiting as it would give up a decode.
    const auto read = [this, path](const KeepGoing&) -> std::optional<PictureSize> {
        CSpiInput input;
        PictureInfo info{};
        if (input.Open(m_module.Get(), path, KeepGoing()) != kSpiSuccess ||
            ReadPictureInfo(input, &info) != kSpiSuccess || info.width <= 0 || info.height <= 0) {
            return std::nullopt;
        }
        return PictureSize{static_cast<int32_t>(info.width), static_cast<int32_t>(info.height)};
    };
    return Call<std::optional<PictureSize>>(read, keepGoing).value_or(std::nullopt);
}

bool CSpiPlugin::TakesContent(const std::wstring& path, const uint8_t (&head)[kHeadBytes],
                               const KeepGoing& keepGoing) const {
    // The call owns what it uses: given up, it may run after this function has returned.
    const auto ask = [this, path, start = std::vector<uint8_t>(head, head + kHeadBytes)](
                         const KeepGoing&) {
        const auto data = reinterpret_cast<DWORD_PTR>(start.data());
        if (std::optional<std::string> ansi = ExactAnsiText(path)) {
            const auto isSupported = Export<SpiIsSupportedFn>("IsSupported");
            return isSupported != nullptr && isSupported(ansi->data(), data) != 0;
        }
        const auto isSupportedW = Export<SpiIsSupportedWFn>("IsSupportedW");
        if (isSupportedW != nullptr) {
            return isSupportedW(path.c_str(), data) != 0;
        }
        // The name cannot be handed over exactly: the content alone decides.
        const auto isSupported = Export<SpiIsSupportedFn>("IsSupported");
        char none[1] = {};
        return isSupported != nullptr && isSupported(none, data) != 0;
    };
    return Call<bool>(ask, keepGoing).value_or(false);
}

namespace {

// Whether the file's first bytes can be read now, sharing it with every other reader and writer.
bool CanReadStart(const std::wstring& path) {
    fw::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    uint8_t start[4096];
    DWORD read = 0;
    return file.IsValid() && ::ReadFile(file.Get(), start, sizeof start, &read, nullptr) != FALSE;
}

// The plug-in's progress callback: its data is the caller's KeepGoing, or null.
int WINAPI OnProgress(int, int, LONG_PTR data) {
    const auto* keepGoing = reinterpret_cast<const KeepGoing*>(data);
    return keepGoing != nullptr && *keepGoing && !(*keepGoing)() ? 1 : 0;
}

}  // namespace

DecodeOutcome CSpiPlugin::Decode(const std::string& path, const KeepGoing& keepGoing) const {
    return Decode(fw::ToWide(path, CP_ACP).value_or(std::wstring()), keepGoing);
}

DecodeOutcome CSpiPlugin::Decode(const std::wstring& path, const KeepGoing& keepGoing) const {
    // The name must fit the picture part whole; a longer path cannot be handed over.
    if (path.size() > kMaxFileName) {
        return DecodeOutcome::Failed(DecodeFailure::kReadError);
    }
    std::optional<DecodeOutcome> decoded = Call<DecodeOutcome>(
        [this, path](const KeepGoing& going) { return DecodeHere(path, going); }, keepGoing);
    return decoded ? std::move(*decoded) : DecodeOutcome::Failed(DecodeFailure::kStopped);
}

DecodeOutcome CSpiPlugin::DecodeHere(const std::wstring& path, const KeepGoing& keepGoing) const {
    CSpiInput input;
    if (const int opened = input.Open(m_module.Get(), path, keepGoing); opened != kSpiSuccess) {
        return DecodeOutcome::Failed(FailureOfPluginResult(opened));
    }
    PictureInfo info{};
    if (const int result = ReadPictureInfo(input, &info); result != kSpiSuccess) {
        return DecodeOutcome::Failed(FailureOf(result, input, path));
    }
    // After a failure the handles may hold anything: only a success hands them over.
    // A callback is always passed: some plug-ins do not survive a null one.
    HLOCAL bitmapInfo = nullptr;
    HLOCAL bits = nullptr;
    const int result =
        input.GetPicture(&bitmapInfo, &bits, &OnProgress, reinterpret_cast<LONG_PTR>(&keepGoing));
    if (result != kSpiSuccess) {
        return DecodeOutcome::Failed(FailureOf(result, input, path));
    }
    // One block handed over as both header and rows has one owner, and no layout that
    // tells the rows from the header: refused as the plug-in's fault, and released once.
    if (bitmapInfo != nullptr && bitmapInfo == bits) {
        const fw::LocalMemory shared(bitmapInfo);
        return DecodeOutcome::Failed(DecodeFailure::kUnnamed);
    }
    // A bitmap that disagrees with what the plug-in reported is its fault, not the file's.
    CPicture picture = AdoptBitmap(fw::LocalMemory(bitmapInfo), fw::LocalMemory(bits), info);
    if (picture.IsEmpty()) {
        return DecodeOutcome::Failed(DecodeFailure::kUnnamed);
    }
    return {std::move(picture), std::nullopt};
}

DecodeFailure CSpiPlugin::FailureOf(int result, const CSpiInput& input, const std::wstring& path) {
    const DecodeFailure failure = FailureOfPluginResult(result);
    return SaysNoPicture(failure) && input.ByName() && !CanReadStart(path) ? DecodeFailure::kReadError : failure;
}

CPicture CSpiPlugin::AdoptBitmap(fw::LocalMemory info, fw::LocalMemory bits, const PictureInfo& reported) {
    if (!info.IsValid() || !bits.IsValid()) {
        return {};
    }
    {
        fw::LocalLock header(info.Get());
        fw::LocalLock rows(bits.Get());
        DibDescription dib;
        if (header.Get() == nullptr || rows.Get() == nullptr ||
            !CheckPluginDib(static_cast<const uint8_t*>(header.Get()), ::LocalSize(info.Get()),
                            ::LocalSize(bits.Get()), reported.width, reported.height, &dib)) {
            return {};
        }
        auto* base = static_cast<uint8_t*>(rows.Get());
        if (dib.topDown) {
            // Every reader of the picture counts rows from the bottom: flip the rows once here.
            std::vector<uint8_t> row(dib.rowBytes);
            for (size_t top = 0, bottom = static_cast<size_t>(dib.height) - 1; top < bottom; ++top, --bottom) {
                std::memcpy(row.data(), base + top * dib.rowBytes, dib.rowBytes);
                std::memcpy(base + top * dib.rowBytes, base + bottom * dib.rowBytes, dib.rowBytes);
                std::memcpy(base + bottom * dib.rowBytes, row.data(), dib.rowBytes);
            }
            static_cast<BITMAPINFOHEADER*>(header.Get())->biHeight = dib.height;
        }
        CompositeAlphaOnBlack(base, dib);
    }
    return CPicture(std::move(info), std::move(bits));
}

namespace {
// The widest row taken, so that a band of the rows one target row needs stays small.
constexpr int64_t kMostRowBytes = int64_t{16} << 20;
}  // namespace

std::unique_ptr<CSpiPlugin::Rows> CSpiPlugin::OpenRows(const std::wstring& path) const {
    using OpenFn = void*(WINAPI*)(LPCWSTR, LONG*, LONG*);
    const auto open = Export<OpenFn>("IxoOpenRowsW");
    const auto read = Export<Rows::ReadFn>("IxoReadRows");
    const auto close = Export<Rows::CloseFn>("IxoCloseRows");
    if (!m_bRows || !decode_thread::IsReadAheadWorker() || open == nullptr || read == nullptr || close == nullptr ||
        path.size() > kMaxFileName) {
        return nullptr;
    }
    const decode_thread::OutsideCall counted;
    LONG width = 0;
    LONG height = 0;
    void* opened = open(path.c_str(), &width, &height);
    if (opened == nullptr) {
        return nullptr;
    }
    // The sides are the plug-in's word: a row too wide to hold a band of goes the whole way.
    if (width <= 0 || height <= 0 || int64_t{3} * width > kMostRowBytes) {
        close(opened);
        return nullptr;
    }
    try {
        return std::make_unique<Rows>(opened, static_cast<int>(width), static_cast<int>(height), read, close);
    } catch (const std::bad_alloc&) {
        close(opened);
        return nullptr;
    }
}

CSpiPlugin::Rows::Rows(void* opened, int width, int height, ReadFn read, CloseFn close)
    : m_opened(opened),
      m_width(width),
      m_height(height),
      m_read(read),
      m_close(close),
      m_stride((size_t{3} * static_cast<size_t>(width) + 3) / 4 * 4) {}

CSpiPlugin::Rows::~Rows() {
    m_close(m_opened);
}

const uint8_t* CSpiPlugin::Rows::Hold(size_t first, size_t count, size_t* stride) {
    const size_t height = static_cast<size_t>(m_height);
    if (count == 0 || first >= height || count > height - first) {
        return nullptr;
    }
    *stride = m_stride;
    if (first >= m_first && first + count <= m_first + m_rows) {
        return m_band.data() + (first - m_first) * m_stride;
    }
    // The rows still wanted move to the band's start; the rest of the band is read anew.
    const size_t bandRows = std::max(count, std::max<size_t>(1, kBandBytes / m_stride));
    size_t kept = 0;
    if (first >= m_first && first < m_first + m_rows) {
        kept = m_first + m_rows - first;
        std::memmove(m_band.data(), m_band.data() + (first - m_first) * m_stride, kept * m_stride);
    }
    const size_t rows = std::min(bandRows, height - first);
    if (m_band.size() < rows * m_stride) {
        m_band.resize(rows * m_stride);
    }
    m_first = first;
    m_rows = kept;
    const size_t more = rows - kept;
    if (more > 0) {
        const int result = m_read(m_opened, static_cast<UINT>(first + kept), static_cast<UINT>(more),
                                  m_band.data() + kept * m_stride, static_cast<UINT>(m_stride),
                                  static_cast<UINT>(more * m_stride));
        if (result != kSpiSuccess) {
            return nullptr;
        }
    }
    m_rows = rows;
    return m_band.data();
}
