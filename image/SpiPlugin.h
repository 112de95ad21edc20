#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "image/DibCheck.h"
#include "image/SpiApi.h"

// One loaded image-import plug-in together with the last picture it decoded
// (its picture part: the file's name, its PictureInfo and the two memory handles
// of a device-independent bitmap).
class CSpiPlugin {
public:
    CSpiPlugin() = default;
    // A copy loads the library again (a reference of its own) and decodes the same file again.
    CSpiPlugin(const CSpiPlugin& other);
    CSpiPlugin& operator=(const CSpiPlugin& other);
    virtual ~CSpiPlugin();

    // Loads the library and checks that it is an image-import plug-in ("??IN").
    bool Load(const std::string& path);
    // Releases the picture, the library and the stored path.
    void Unload();
    // Whether one of the plug-in's filters names the extension (without the dot, any case).
    bool SupportsExtension(const std::string& ext) const;
    // Decodes the file, replacing any previous picture. A picture whose bitmap fails the
    // checks is released and counts as a failed decode.
    bool Decode(const std::string& path);
    void FreePicture();
    int GetWidth() const;
    int GetHeight() const;
    // Stretches the held picture onto a device context; source rows count from the bottom.
    bool Draw(HDC hdc, const RECT& src, const RECT& dst) const;

    bool IsLoaded() const { return m_hModule != nullptr; }
    bool HasPicture() const { return m_hBInfo != nullptr; }
    const char* GetLibPath() const { return m_pszLibPath ? m_pszLibPath.get() : ""; }
    const char* GetFileName() const { return m_szFileName; }
    const PictureInfo& GetInfo() const { return m_info; }
    // The held bitmap's layout (checked at decode; always bottom-up).
    const DibDescription& GetDib() const { return m_dib; }
    HLOCAL GetBitmapInfoHandle() const { return m_hBInfo; }
    HLOCAL GetBitsHandle() const { return m_hBm; }

    // At most this many filter numbers are asked for: a plug-in that never ends its list must not hang us.
    static constexpr int kMaxFilters = 256;

private:
    // An export of the loaded library, looked up by name each time it is needed.
    template <class Fn>
    Fn Export(const char* name) const {
        FARPROC proc = m_hModule != nullptr ? ::GetProcAddress(m_hModule, name) : nullptr;
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
    }
    // Checks the fresh bitmap and turns a top-down one bottom-up; false when it is unusable.
    bool AdoptBitmap(HLOCAL info, HLOCAL bits);

    HMODULE m_hModule = nullptr;
    std::unique_ptr<char[]> m_pszLibPath;
    char m_szFileName[MAX_PATH] = {};
    PictureInfo m_info{};
    HLOCAL m_hBInfo = nullptr;
    HLOCAL m_hBm = nullptr;
    DibDescription m_dib;
};
