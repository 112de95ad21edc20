#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "framework/Handles.h"
#include "image/DecodeFailure.h"
#include "image/DibCheck.h"
#include "image/SpiApi.h"

class CSpiInput;

// One loaded image-import plug-in together with the last picture it decoded
// (its picture part: the file's name, its PictureInfo and the two memory handles
// of a device-independent bitmap). It can be moved but not copied: the library is
// loaded once and the picture decoded once.
class CSpiPlugin {
public:
    // A picture part: a decoded picture that can be handed from one holder to another.
    struct Picture {
        std::wstring fileName;  // the file's exact name
        PictureInfo info{};
        fw::LocalMemory bitmapInfo;
        fw::LocalMemory bits;
        DibDescription dib;

        bool IsHeld() const { return bitmapInfo.IsValid(); }
        // The memory the two handles take.
        uint64_t HeldBytes() const;
    };
    // Asked between parts of a decode; false stops the decode, which then fails.
    using KeepGoing = std::function<bool()>;

    CSpiPlugin() = default;
    CSpiPlugin(const CSpiPlugin&) = delete;
    CSpiPlugin& operator=(const CSpiPlugin&) = delete;
    CSpiPlugin(CSpiPlugin&&) noexcept = default;
    CSpiPlugin& operator=(CSpiPlugin&&) noexcept = default;
    virtual ~CSpiPlugin();

    // Loads the library and checks that it is an image-import plug-in ("??IN").
    bool Load(const std::wstring& path);
    bool Load(const std::string& path);
    // Releases the picture, the library and the stored path.
    void Unload();
    // Whether one of the plug-in's filters names the extension (without the dot, any case).
    bool SupportsExtension(const std::string& ext) const;
    // The same for an extension in UTF-16; one the ANSI code page cannot hold matches nothing.
    bool SupportsExtension(const std::wstring& ext) const;
    // Decodes the file, replacing any previous picture. A picture whose bitmap fails the
    // checks is released and counts as a failed decode. LastFailure() says why one failed.
    bool Decode(const std::string& path);
    bool Decode(const std::wstring& path);
    // Why the latest Decode failed; none after one that succeeded (or before any).
    std::optional<DecodeFailure> LastFailure() const { return m_lastFailure; }
    // Decodes the file into `out` (emptied first) and leaves the held picture alone; the
    // plug-in is asked to stop when `keepGoing` answers false. A file whose exact name the
    // ANSI code page holds goes to the plug-in by that name; any other goes to its wide
    // exports, or else as the file's bytes in memory. A name in the ANSI code page stands
    // for the file the A functions would open. A failure's reason goes to `failure` when
    // one is given.
    bool DecodeTo(const std::wstring& path, Picture& out, const KeepGoing& keepGoing,
                  DecodeFailure* failure = nullptr) const;
    bool DecodeTo(const std::string& path, Picture& out, const KeepGoing& keepGoing,
                  DecodeFailure* failure = nullptr) const;
    // The width and height the plug-in reports for the file without decoding it
    // (GetPictureInfo); none when it refuses the file or reports no positive sides.
    std::optional<PictureSize> ReadHeaderSize(const std::wstring& path) const;
    std::optional<PictureSize> ReadHeaderSize(const std::string& path) const;
    // Hands the held picture over, leaving none held; and takes one to hold instead of the
    // held one.
    Picture TakePicture();
    void PutPicture(Picture&& picture);
    void FreePicture();
    int GetWidth() const;
    int GetHeight() const;
    // Stretches the held picture onto a device context; source rows count from the bottom.
    bool Draw(HDC hdc, const RECT& src, const RECT& dst) const;

    bool IsLoaded() const { return m_module.IsValid(); }
    bool HasPicture() const { return m_picture.IsHeld(); }
    const std::wstring& GetLibPath() const { return m_libPath; }
    const std::wstring& GetFileName() const { return m_picture.fileName; }
    const PictureInfo& GetInfo() const { return m_picture.info; }
    // The held bitmap's layout (checked at decode; always bottom-up).
    const DibDescription& GetDib() const { return m_picture.dib; }
    HLOCAL GetBitmapInfoHandle() const { return m_picture.bitmapInfo.Get(); }
    HLOCAL GetBitsHandle() const { return m_picture.bits.Get(); }

    // At most this many filter numbers are asked for: a plug-in that never ends its list must not hang us.
    static constexpr int kMaxFilters = 256;
    // The longest file path whose picture can be held (the platform's path limit).
    static constexpr size_t kMaxFileName = MAX_PATH - 1;

private:
    // An export of the loaded library, looked up by name each time it is needed.
    template <class Fn>
    Fn Export(const char* name) const {
        FARPROC proc = m_module.IsValid() ? ::GetProcAddress(m_module.Get(), name) : nullptr;
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
    }
    // Asks the plug-in for the picture's information: its answer (kSpiSuccess when it
    // took the file).
    int ReadPictureInfo(CSpiInput& input, PictureInfo* info) const;
    // The decode behind Decode and DecodeTo: none when it succeeded, else why it failed.
    std::optional<DecodeFailure> DecodeFile(const std::wstring& path, Picture& out, const KeepGoing& keepGoing) const;
    // Checks the fresh bitmap against `out.info`, turns a top-down one bottom-up and puts
    // it into `out`; false when it is unusable.
    static bool AdoptBitmap(fw::LocalMemory info, fw::LocalMemory bits, Picture& out);

    fw::ModuleHandle m_module;
    std::wstring m_libPath;
    Picture m_picture;
    std::optional<DecodeFailure> m_lastFailure;
};
