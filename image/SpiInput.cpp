#include "image/SpiInput.h"

#include <algorithm>
#include <climits>
#include <new>

#include "framework/Handles.h"

namespace {

template <class Fn>
Fn ExportOf(HMODULE module, const char* name) {
    FARPROC proc = module != nullptr ? ::GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

// The file is read in pieces of this size, asking between them whether to go on.
constexpr DWORD kReadPiece = 4u << 20;
// Zero bytes after the file image: a plug-in that ignores the memory flag and reads `buf`
// as a name finds it ended, in either width.
constexpr size_t kTerminator = sizeof(wchar_t);

}  // namespace

std::optional<std::string> ExactAnsiText(std::wstring_view text) {
    if (text.empty()) {
        return std::string();
    }
    if (text.size() > INT_MAX / 4) {
        return std::nullopt;
    }
    const int chars = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int bytes =
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), chars, nullptr, 0, nullptr, &usedDefault);
    if (bytes <= 0 || usedDefault) {
        return std::nullopt;
    }
    std::string narrow(static_cast<size_t>(bytes), '\0');
    if (::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), chars, narrow.data(), bytes, nullptr,
                              &usedDefault) != bytes ||
        usedDefault) {
        return std::nullopt;
    }
    // A code page may map a character to bytes that read back as another one without
    // calling it a substitute: only a faithful round trip names the same file.
    std::wstring back(static_cast<size_t>(chars), L'\0');
    if (::MultiByteToWideChar(CP_ACP, 0, narrow.data(), bytes, back.data(), chars) != chars || back != text) {
        return std::nullopt;
    }
    return narrow;
}

int CSpiInput::Open(HMODULE module, const std::wstring& path, const std::function<bool()>& keepGoing) {
    *this = CSpiInput();
    std::optional<std::string> ansi = ExactAnsiText(path);
    if (ansi && ansi->size() >= MAX_PATH) {
        ansi.reset();
    }
    const auto getPictureInfoW = ExportOf<SpiGetPictureInfoWFn>(module, "GetPictureInfoW");
    const auto getPictureW = ExportOf<SpiGetPictureWFn>(module, "GetPictureW");
    if (!ansi && getPictureInfoW != nullptr && getPictureW != nullptr &&
        ExportOf<SpiIsSupportedWFn>(module, "IsSupportedW") != nullptr) {
        m_getPictureInfoW = getPictureInfoW;
        m_getPictureW = getPictureW;
        m_wideName = path;
        m_kind = Kind::kWideName;
        return kSpiSuccess;
    }
    m_getPictureInfo = ExportOf<SpiGetPictureInfoFn>(module, "GetPictureInfo");
    m_getPicture = ExportOf<SpiGetPictureFn>(module, "GetPicture");
    if (m_getPictureInfo == nullptr || m_getPicture == nullptr) {
        return kSpiNotImplemented;
    }
    if (ansi) {
        m_ansiName = std::move(*ansi);
        m_kind = Kind::kAnsiName;
        return kSpiSuccess;
    }
    const int read = ReadIntoMemory(path, keepGoing);
    if (read == kSpiSuccess) {
        m_kind = Kind::kMemory;
    }
    return read;
}

int CSpiInput::ReadIntoMemory(const std::wstring& path, const std::function<bool()>& keepGoing) {
    fw::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size = {};
    if (!file.IsValid() || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) {
        return kSpiFileReadError;
    }
    if (static_cast<uint64_t>(size.QuadPart) > kMaxMemoryBytes) {
        return kSpiOutOfMemory;
    }
    const auto total = static_cast<size_t>(size.QuadPart);
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[total + kTerminator]);
    if (!bytes) {
        return kSpiOutOfMemory;
    }
    // A file that shrinks while it is read is handed over as far as it was read.
    size_t done = 0;
    while (done < total) {
        if (keepGoing && !keepGoing()) {
            return kSpiAborted;
        }
        DWORD read = 0;
        const auto piece = static_cast<DWORD>(std::min<size_t>(total - done, kReadPiece));
        if (!::ReadFile(file.Get(), bytes.get() + done, piece, &read, nullptr)) {
            return kSpiFileReadError;
        }
        if (read == 0) {
            break;
        }
        done += read;
    }
    std::fill_n(bytes.get() + done, kTerminator, uint8_t{0});
    m_bytes = std::move(bytes);
    m_size = done;
    return kSpiSuccess;
}

int CSpiInput::GetPictureInfo(PictureInfo* info) {
    switch (m_kind) {
        case Kind::kAnsiName:
            return m_getPictureInfo(m_ansiName.data(), 0, kSpiInputFile, info);
        case Kind::kWideName:
            return m_getPictureInfoW(m_wideName.c_str(), 0, kSpiInputFile, info);
        case Kind::kMemory:
            return m_getPictureInfo(reinterpret_cast<LPSTR>(m_bytes.get()), static_cast<LONG_PTR>(m_size),
                                    kSpiInputMemory, info);
        case Kind::kNone:
            break;
    }
    return kSpiNotImplemented;
}

int CSpiInput::GetPicture(HLOCAL* pHBInfo, HLOCAL* pHBm, SpiProgressCallback progress, LONG_PTR data) {
    switch (m_kind) {
        case Kind::kAnsiName:
            return m_getPicture(m_ansiName.data(), 0, kSpiInputFile, pHBInfo, pHBm, progress, data);
        case Kind::kWideName:
            return m_getPictureW(m_wideName.c_str(), 0, kSpiInputFile, pHBInfo, pHBm, progress, data);
        case Kind::kMemory:
            return m_getPicture(reinterpret_cast<LPSTR>(m_bytes.get()), static_cast<LONG_PTR>(m_size), kSpiInputMemory,
                                pHBInfo, pHBm, progress, data);
        case Kind::kNone:
            break;
    }
    return kSpiNotImplemented;
}
