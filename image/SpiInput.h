#pragma once
// How one picture file reaches a plug-in's decoding exports. The exports of the published
// interface take a file's name in the ANSI code page, which cannot name every file: a
// name that code page does not hold exactly would reach the plug-in as a best-fit
// look-alike, which may name another file. Such a file goes to the wide exports by its
// exact name when the plug-in has them, and otherwise as the file's bytes in memory.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "image/SpiApi.h"

// The text in the ANSI code page when that holds it exactly: no character replaced or
// best-fitted, and converting back gives the same UTF-16. Nothing otherwise.
std::optional<std::string> ExactAnsiText(std::wstring_view text);

class CSpiInput {
public:
    // A file larger than this is refused rather than read into memory: no plug-in in this
    // process could decode it from there.
#ifdef _WIN64
    static constexpr uint64_t kMaxMemoryBytes = 2ull << 30;
#else
    static constexpr uint64_t kMaxMemoryBytes = 1ull << 30;
#endif

    CSpiInput() = default;
    CSpiInput(const CSpiInput&) = delete;
    CSpiInput& operator=(const CSpiInput&) = delete;
    CSpiInput(CSpiInput&&) noexcept = default;
    CSpiInput& operator=(CSpiInput&&) noexcept = default;

    // Chooses how the file at `path` reaches the plug-in `module` (by its ANSI name, by its
    // wide name, or in memory, read now) and looks the exports up. Returns kSpiSuccess, or
    // why the file cannot be handed over: the exports are missing, the file cannot be read
    // or is too large, or `keepGoing` answered false while it was read.
    int Open(HMODULE module, const std::wstring& path, const std::function<bool()>& keepGoing);

    // Whether the plug-in reads the file itself (by its name) rather than the bytes read here.
    bool ByName() const {
        return m_kind == Kind::kAnsiName || m_kind == Kind::kWideName;
    }

    // The exports' results; kSpiNotImplemented before a successful Open.
    int GetPictureInfo(PictureInfo* info);
    int GetPicture(HLOCAL* pHBInfo, HLOCAL* pHBm, SpiProgressCallback progress, LONG_PTR data);

private:
    enum class Kind { kNone, kAnsiName, kWideName, kMemory };

    int ReadIntoMemory(const std::wstring& path, const std::function<bool()>& keepGoing);

    Kind m_kind = Kind::kNone;
    std::string m_ansiName;
    std::wstring m_wideName;
    std::unique_ptr<uint8_t[]> m_bytes;
    size_t m_size = 0;
    SpiGetPictureInfoFn m_getPictureInfo = nullptr;
    SpiGetPictureFn m_getPicture = nullptr;
    SpiGetPictureInfoWFn m_getPictureInfoW = nullptr;
    SpiGetPictureWFn m_getPictureW = nullptr;
};
