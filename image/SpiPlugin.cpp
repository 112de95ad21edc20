#include "image/SpiPlugin.h"

#include <cstring>
#include <vector>

#include "framework/Handles.h"
#include "image/PluginFilter.h"

CSpiPlugin::CSpiPlugin(const CSpiPlugin& other) {
    *this = other;
}

CSpiPlugin& CSpiPlugin::operator=(const CSpiPlugin& other) {
    if (this == &other) {
        return *this;
    }
    Unload();
    if (other.m_hModule != nullptr) {
        const std::string libPath = other.GetLibPath();
        const std::string fileName = other.m_szFileName;
        if (Load(libPath) && !fileName.empty()) {
            Decode(fileName);
        }
    }
    return *this;
}

CSpiPlugin::~CSpiPlugin() {
    Unload();
}

bool CSpiPlugin::Load(const std::string& path) {
    if (m_hModule != nullptr) {
        Unload();
    }
    m_hModule = ::LoadLibraryA(path.c_str());
    if (m_hModule == nullptr) {
        return false;
    }
    m_pszLibPath.reset(new (std::nothrow) char[path.size() + 1]);
    if (!m_pszLibPath) {
        Unload();
        return false;
    }
    std::memcpy(m_pszLibPath.get(), path.c_str(), path.size() + 1);

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
    if (m_hModule != nullptr) {
        ::FreeLibrary(m_hModule);
        m_hModule = nullptr;
    }
    m_pszLibPath.reset();
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

bool CSpiPlugin::Decode(const std::string& path) {
    FreePicture();
    // The name must fit the picture part whole; a longer path cannot be held.
    if (path.size() >= sizeof m_szFileName) {
        return false;
    }
    auto getPictureInfo = Export<SpiGetPictureInfoFn>("GetPictureInfo");
    if (getPictureInfo == nullptr) {
        return false;
    }
    std::vector<char> name(path.begin(), path.end());
    name.push_back('\0');
    PictureInfo info{};
    const int infoResult = getPictureInfo(name.data(), 0, kSpiInputFile, &info);
    if (info.hInfo != nullptr && infoResult == kSpiSuccess) {
        ::LocalFree(info.hInfo);  // text from the picture: not used
        info.hInfo = nullptr;
    }
    if (infoResult != kSpiSuccess) {
        return false;
    }
    m_info = info;
    auto getPicture = Export<SpiGetPictureFn>("GetPicture");
    if (getPicture == nullptr) {
        FreePicture();
        return false;
    }
    // After a failure the handles may hold anything: only a success hands them over.
    HLOCAL bitmapInfo = nullptr;
    HLOCAL bits = nullptr;
    if (getPicture(name.data(), 0, kSpiInputFile, &bitmapInfo, &bits, nullptr, 0) != kSpiSuccess) {
        FreePicture();
        return false;
    }
    if (!AdoptBitmap(bitmapInfo, bits)) {
        FreePicture();
        return false;
    }
    std::memcpy(m_szFileName, path.c_str(), path.size() + 1);
    return true;
}

bool CSpiPlugin::AdoptBitmap(HLOCAL info, HLOCAL bits) {
    fw::LocalMemory ownedInfo(info);
    fw::LocalMemory ownedBits(bits);
    if (info == nullptr || bits == nullptr) {
        return false;
    }
    DibDescription dib;
    {
        fw::LocalLock header(info);
        fw::LocalLock rows(bits);
        if (header.Get() == nullptr || rows.Get() == nullptr ||
            !CheckPluginDib(static_cast<const uint8_t*>(header.Get()), ::LocalSize(info), ::LocalSize(bits),
                            m_info.width, m_info.height, &dib)) {
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
    m_dib = dib;
    m_hBInfo = ownedInfo.Release();
    m_hBm = ownedBits.Release();
    return true;
}

void CSpiPlugin::FreePicture() {
    if (m_hBInfo != nullptr) {
        ::LocalFree(m_hBInfo);
        m_hBInfo = nullptr;
    }
    if (m_hBm != nullptr) {
        ::LocalFree(m_hBm);
        m_hBm = nullptr;
    }
    m_szFileName[0] = '\0';
    m_info = PictureInfo{};
    m_dib = DibDescription{};
}

int CSpiPlugin::GetWidth() const {
    return m_hBInfo != nullptr ? static_cast<int>(m_info.width) : 0;
}

int CSpiPlugin::GetHeight() const {
    return m_hBInfo != nullptr ? static_cast<int>(m_info.height) : 0;
}

bool CSpiPlugin::Draw(HDC hdc, const RECT& src, const RECT& dst) const {
    if (m_hBInfo == nullptr || m_hBm == nullptr) {
        return true;
    }
    fw::LocalLock info(m_hBInfo);
    fw::LocalLock bits(m_hBm);
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
