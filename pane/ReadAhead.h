#pragma once
// Pictures decoded before they are asked for: while the user looks at one picture, the
// pane decodes the entries the user will most likely go to next, so that the key that
// goes there only has to draw. Each copy is kept with the file's path, size and times as
// they were when it was read; a copy is handed over only while the file still matches
// them and only to the decoder that made it, so a file that changed, vanished or was
// replaced under the same name is read again instead of being shown stale.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "image/FittedCopy.h"
#include "image/Picture.h"
#include "image/SpiPluginList.h"
#include "portable/KeepGoing.h"

// What identifies the content of a file cheaply: its size and its times.
struct FileStamp {
    uint64_t size = 0;
    FILETIME lastWrite{};
    FILETIME creation{};

    // The file's stamp now; none when it cannot be read (the file is gone).
    static std::optional<FileStamp> Of(const std::wstring& path);
    bool operator==(const FileStamp& other) const;
};

class CReadAhead {
public:
    // `maxHeldBytes`: what the copies may hold together (a test gives a smaller cap).
    explicit CReadAhead(uint64_t maxHeldBytes = kMaxHeldBytes) : m_maxHeldBytes(maxHeldBytes) {}
    CReadAhead(const CReadAhead&) = delete;
    CReadAhead& operator=(const CReadAhead&) = delete;

    // At most this many pictures are held ahead, together taking at most kMaxHeldBytes.
    // The cap keeps the window within three pictures as large as a 24-megapixel one: the
    // shown one, and two more held or being decoded (a picture is decoded only while the
    // held copies and twice the picture fit: the decoder has buffers of its own meanwhile).
    static constexpr size_t kMaxPictures = 2;
    static constexpr uint64_t kMaxHeldBytes = uint64_t{192} << 20;

    enum class Outcome {
        kHeld,     // a copy is held (it was already, or it was decoded now)
        kFailed,   // the decoder refused the file
        kStopped,  // keepGoing said to stop; nothing was kept from the attempt
        kNoRoom,   // the copy would not fit beside what is held
    };
    // Makes sure a copy of the picture at `path` as `decoder` decodes it is held, decoding
    // it now when needed. A picture whose decoding (twice the picture, as its header names
    // it) would take the held copies past the cap is not decoded; a copy is given a device
    // bitmap compatible with `dc` (a BMP's, which makes stretching it cheap) only while the
    // held copies, the copy with its bitmap and room for one more fit the cap.
    Outcome Prepare(const std::wstring& path, Decoder decoder, HDC dc, const KeepGoing& keepGoing);
    // Drops every copy whose path is not among `paths`.
    void KeepOnly(const std::vector<std::wstring>& paths);
    // Drops every copy.
    void Clear() { m_held.clear(); }
    // Drops the copy of `path` (its file was written to).
    void Drop(const std::wstring& path) {
        std::erase_if(m_held, [&](const Held& h) { return h.path == path; });
    }
    // Drops copies, the earliest kept first, until the held copies and twice the picture of
    // `path` (as its header names its size) fit the cap, as for a picture read ahead: before
    // that picture is decoded. Nothing is dropped when the header cannot be read, or its
    // reading was given up (`keepGoing`), as the decode that follows will be.
    // False when the room could not be made (what is reserved for decodes on their way stays).
    bool MakeRoomToDecode(const std::wstring& path, Decoder decoder, const KeepGoing& keepGoing = KeepGoing());

    // A decoded picture with the stamp of the file it was read from, and its copy scaled
    // to the pane (empty when none was made). A picture read on a worker is kept as its
    // copy scaled to the pane only: `picture` is empty then, and `size` is what it was.
    struct Copy {
        FileStamp stamp;
        CPicture picture;
        CFittedCopy fitted;
        SIZE size{};
    };
    // The size a picture of `pictureSize` is shown at in the pane; a side of 0 when it is
    // not scaled.
    using FittedSize = std::function<SIZE(SIZE pictureSize)>;
    // Makes the copy of `path`'s held picture scaled to the size `sizeOf` gives, unless it
    // is held at that size already or would take the held pictures past the cap (a copy
    // held by its scaled copy only, of another size, is let go: it is to be read again):
    // kHeld when the copy is held at that size afterwards, kStopped when `keepGoing`
    // answered false while the picture was scaled, else kNoRoom.
    Outcome Fit(const std::wstring& path, const FittedSize& sizeOf, const KeepGoing& keepGoing = {});
    // Hands the copy of `path` over when `decoder` made it and the file is unchanged; none
    // otherwise. A copy that no longer matches its file is dropped.
    std::optional<Copy> Take(const std::wstring& path, Decoder decoder);
    // Takes over the picture shown until now, which `decoder` read from `path` when it had
    // `stamp`, of `size` (`picture` is empty when only its copy scaled to the pane was
    // held). It is kept as a copy (the user may go back
    // to it) until the next read-ahead keeps only the entries beside the new one; so its
    // memory is released in idle time, not while a key waits. Older copies make room for
    // it only when the held pictures would exceed the cap.
    void Retire(const std::wstring& path, Decoder decoder, const FileStamp& stamp, CPicture picture,
                CFittedCopy fitted, SIZE size);

    // Whether a copy of `path` is held (whether or not its file still matches it).
    bool Holds(const std::wstring& path) const;
    // Whether the copy of `path` held is drawn through a device bitmap.
    bool HoldsWithDeviceBitmap(const std::wstring& path) const;
    size_t Count() const { return m_held.size(); }
    uint64_t HeldBytes() const;
    // What a picture of these sides holds at 32 bits a pixel (a side below 0 counts as 0).
    static uint64_t BytesOf(long width, long height) {
        return uint64_t{4} * static_cast<uint32_t>(std::max(0L, width)) * static_cast<uint32_t>(std::max(0L, height));
    }
    // Whether `bytes` more fit beside the held copies and the room reserved within the cap.
    bool HasRoomFor(uint64_t bytes) const { return HeldBytes() + m_reserved + bytes <= m_maxHeldBytes; }
    // Room taken for a decode on a worker until it ends: what it will hold, and its decoder's
    // buffers meanwhile.
    void Reserve(uint64_t bytes) { m_reserved += bytes; }
    void Unreserve(uint64_t bytes) { m_reserved -= std::min(bytes, m_reserved); }
    // Whether `path` as `decoder` reads it is held or was tried, and its file is unchanged.
    bool Knows(const std::wstring& path, Decoder decoder) const;
    // What the header of `path` names as the bytes of its decoded picture, or the largest
    // held when it cannot be read: the room a decode of it needs is twice that.
    uint64_t ExpectedBytes(const std::wstring& path, Decoder decoder, const KeepGoing& keepGoing) const;
    // Takes over what a worker read of `path` (`stamp`: the file's before the read), with
    // its copy scaled to the pane. With that copy only the copy is kept: the picture is
    // read again should it be wanted at another size.
    // `besides`: room that must stay free next to it (a decode given up that still runs).
    // `size` is the picture's, which `decoded` lacks when the worker scaled it from bands of
    // its rows (then `fitted` is the copy).
    Outcome Adopt(const std::wstring& path, Decoder decoder, const FileStamp& stamp, DecodeOutcome decoded,
                  SIZE size, CFittedCopy fitted, uint64_t besides = 0);
    // Another cap (a test gives a smaller one); copies already held stay.
    void SetCap(uint64_t maxHeldBytes) { m_maxHeldBytes = maxHeldBytes; }

private:
    // A copy, or the memory of an attempt that gave none (refused, or too big to keep),
    // so that the same file is not decoded again for nothing while it stays unchanged.
    struct Held {
        std::wstring path;
        Decoder decoder;
        FileStamp stamp;
        Outcome outcome = Outcome::kHeld;
        CPicture picture;
        CFittedCopy fitted;
        SIZE size{};         // the picture's, also when only its fitted copy is held
        uint64_t bytes = 0;  // the picture's and the fitted copy's
    };
    std::vector<Held>::iterator Find(const std::wstring& path);
    uint64_t LargestHeld() const;
    Outcome Remember(Held held, Outcome outcome);

    uint64_t m_maxHeldBytes;
    uint64_t m_reserved = 0;
    std::vector<Held> m_held;
};
