#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "image/DecodeFailure.h"
#include "image/DecodeThread.h"
#include "image/Picture.h"
#include "image/Resample.h"
#include "image/SpiApi.h"

class CSpiInput;

// One loaded image-import plug-in: it owns the library and decodes files into pictures
// it does not keep. It can be moved but not copied: the library is loaded once.
class CSpiPlugin {
public:
    CSpiPlugin() = default;
    CSpiPlugin(const CSpiPlugin&) = delete;
    CSpiPlugin& operator=(const CSpiPlugin&) = delete;
    CSpiPlugin(CSpiPlugin&&) noexcept = default;
    CSpiPlugin& operator=(CSpiPlugin&& other) noexcept;
    virtual ~CSpiPlugin();

    // Loads the library and checks that it is an image-import plug-in ("??IN").
    bool Load(const std::wstring& path);
    bool Load(const std::string& path);
    // Releases the library and the stored path, once no call runs in it any more.
    void Unload();
    // Whether one of the plug-in's filters names the extension (without the dot, any case).
    bool SupportsExtension(const std::string& ext) const;
    // The same for an extension in UTF-16; one the ANSI code page cannot hold matches nothing.
    bool SupportsExtension(const std::wstring& ext) const;
    // Decodes the file into a picture on the decode thread (see DecodeThread.h): when
    // `keepGoing` answers false the caller stops waiting (kStopped) and the plug-in is asked
    // to stop. A file whose exact name the ANSI code page holds goes to the plug-in
    // by that name; any other goes to its wide exports, or else as the file's bytes in
    // memory. A bitmap that fails the checks counts as a failed decode. A 32-bit bitmap
    // whose alpha bytes are neither all 0 nor all 255 is composited on black.
    DecodeOutcome Decode(const std::wstring& path, const KeepGoing& keepGoing = KeepGoing()) const;
    DecodeOutcome Decode(const std::string& path, const KeepGoing& keepGoing = KeepGoing()) const;
    // The width and height the plug-in reports for the file without decoding it
    // (GetPictureInfo); none when it refuses the file or reports no positive sides, or when
    // `keepGoing` answered false before the decode thread, busy with another call, took it.
    std::optional<PictureSize> ReadHeaderSize(const std::wstring& path, const KeepGoing& keepGoing = KeepGoing()) const;
    std::optional<PictureSize> ReadHeaderSize(const std::string& path) const;
    // Whether the plug-in takes the file by its content (IsSupported, or IsSupportedW for a
    // name the ANSI code page cannot hold, given the file's name and `head`, its first
    // kHeadBytes bytes padded with zeros). False too when `keepGoing` answered false first.
    static constexpr size_t kHeadBytes = 2048;
    bool TakesContent(const std::wstring& path, const uint8_t (&head)[kHeadBytes],
                      const KeepGoing& keepGoing = KeepGoing()) const;

    // The picture's rows a band at a time, for a read-ahead worker that scales the picture
    // while it is decoded: only from a plug-in safe to call from several threads that
    // exports IxoOpenRowsW and takes the file that way (24-bit rows shown as stored), and
    // only on such a worker. The rows are read on this thread, and the plug-in counts as
    // called until they are let go. Null otherwise: the picture is then decoded whole.
    class Rows;
    std::unique_ptr<Rows> OpenRows(const std::wstring& path) const;
    // Whether OpenRows may give rows (the plug-in is safe and has the exports).
    bool HandsOverRows() const { return m_bRows; }

    bool IsLoaded() const { return m_module.IsValid(); }
    // Whether the plug-in says that its calls may run on several threads at once: by an
    // export `IxoThreadSafe` that answers 1. The published interface has no such word; a
    // plug-in that says nothing is called on the decode thread only, one call at a time.
    // A read-ahead worker (decode_thread::IsReadAheadWorker) calls such a plug-in itself.
    bool IsThreadSafe() const { return m_bThreadSafe; }
    const std::wstring& GetLibPath() const { return m_libPath; }

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
    // The failure a plug-in's non-zero answer names. An answer that the file holds no
    // picture stands only when the file can be read: a plug-in that could not open a file
    // it reads by name (locked by another program, unreadable) may answer so too.
    static DecodeFailure FailureOf(int result, const CSpiInput& input, const std::wstring& path);
    // Checks the fresh bitmap against the size the plug-in reported, turns a top-down one
    // bottom-up and composites straight alpha on black; an empty picture when it is unusable.
    // The decode itself, where Call runs it; the plug-in asks `keepGoing` at each report.
    DecodeOutcome DecodeHere(const std::wstring& path, const KeepGoing& keepGoing) const;
    static CPicture AdoptBitmap(fw::LocalMemory info, fw::LocalMemory bits, const PictureInfo& reported);

    // Runs `call` here when this thread calls safe plug-ins itself and the plug-in is one,
    // else on the decode thread as decode_thread::RunFor does.
    template <class Result>
    std::optional<Result> Call(std::function<Result(const KeepGoing& keepGoing)> call,
                               const KeepGoing& keepGoing) const;

    fw::ModuleHandle m_module;
    std::wstring m_libPath;
    bool m_bThreadSafe = false;
    bool m_bRows = false;
};

// Rows of a picture opened by CSpiPlugin::OpenRows, read a band of up to a few MiB at a
// time into memory of its own.
class CSpiPlugin::Rows : public RowSource {
public:
    using ReadFn = int(WINAPI*)(void*, UINT, UINT, BYTE*, UINT, UINT);
    using CloseFn = void(WINAPI*)(void*);
    // A band holds about this many bytes, unless the rows one target row needs take more.
    static constexpr size_t kBandBytes = size_t{4} << 20;
    Rows(void* opened, int width, int height, ReadFn read, CloseFn close);
    ~Rows() override;
    Rows(const Rows&) = delete;
    Rows& operator=(const Rows&) = delete;
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    const uint8_t* Hold(size_t first, size_t count, size_t* stride) override;

private:
    void* m_opened;
    int m_width;
    int m_height;
    ReadFn m_read;
    CloseFn m_close;
    size_t m_stride;
    size_t m_first = 0;  // the first row in the band
    size_t m_rows = 0;   // how many rows the band holds
    std::vector<uint8_t> m_band;
    const decode_thread::OutsideCall m_counted;
};

