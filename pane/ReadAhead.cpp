#include "pane/ReadAhead.h"

#include <algorithm>
#include <utility>

#include "image/Decode.h"

std::optional<FileStamp> FileStamp::Of(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.empty() || !::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return FileStamp{(uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow, data.ftLastWriteTime,
                     data.ftCreationTime};
}

bool FileStamp::operator==(const FileStamp& other) const {
    auto same = [](const FILETIME& a, const FILETIME& b) {
        return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
    };
    return size == other.size && same(lastWrite, other.lastWrite) && same(creation, other.creation);
}

std::vector<CReadAhead::Held>::iterator CReadAhead::Find(const std::wstring& path) {
    return std::find_if(m_held.begin(), m_held.end(), [&](const Held& h) { return h.path == path; });
}

bool CReadAhead::Holds(const std::wstring& path) const {
    return std::any_of(m_held.begin(), m_held.end(),
                       [&](const Held& h) { return h.path == path && h.outcome == Outcome::kHeld; });
}

bool CReadAhead::HoldsWithDeviceBitmap(const std::wstring& path) const {
    return std::any_of(m_held.begin(), m_held.end(), [&](const Held& h) {
        return h.path == path && h.outcome == Outcome::kHeld && h.picture.HasDeviceBitmap();
    });
}

uint64_t CReadAhead::HeldBytes() const {
    uint64_t total = 0;
    for (const Held& h : m_held) {
        total += h.bytes;
    }
    return total;
}

uint64_t CReadAhead::LargestHeld() const {
    uint64_t largest = 0;
    for (const Held& h : m_held) {
        largest = std::max(largest, h.bytes);
    }
    return largest;
}

namespace {

// What a decoded picture of this file holds, as its header names its size.
std::optional<uint64_t> NamedBytes(const std::wstring& path, Decoder decoder, const KeepGoing& keepGoing) {
    const std::optional<PictureSize> named = ReadHeaderSize(path, decoder, keepGoing);
    if (!named) {
        return std::nullopt;
    }
    return CReadAhead::BytesOf(named->width, named->height);
}

}  // namespace

bool CReadAhead::Knows(const std::wstring& path, Decoder decoder) const {
    const auto found = std::find_if(m_held.begin(), m_held.end(), [&](const Held& h) { return h.path == path; });
    return found != m_held.end() && found->decoder == decoder && FileStamp::Of(path) == found->stamp;
}

uint64_t CReadAhead::ExpectedBytes(const std::wstring& path, Decoder decoder, const KeepGoing& keepGoing) const {
    return NamedBytes(path, decoder, keepGoing).value_or(LargestHeld());
}

CReadAhead::Outcome CReadAhead::Adopt(const std::wstring& path, Decoder decoder, const FileStamp& stamp,
                                      DecodeOutcome decoded, SIZE size, CFittedCopy fitted, uint64_t besides) {
    if (decoded.failure == DecodeFailure::kStopped) {
        return Outcome::kStopped;
    }
    Drop(path);
    Held held;
    held.path = path;
    held.decoder = decoder;
    held.stamp = stamp;
    if (!decoded) {
        return Remember(std::move(held), Outcome::kFailed);
    }
    held.size = size;
    held.fitted = std::move(fitted);
    if (held.fitted.IsEmpty()) {
        held.picture = std::move(decoded.picture);
    }
    if (held.picture.IsEmpty() && held.fitted.IsEmpty()) {
        return Remember(std::move(held), Outcome::kFailed);
    }
    held.bytes = held.picture.HeldBytes() + held.fitted.HeldBytes();
    if (m_held.size() >= kMaxPictures || !HasRoomFor(held.bytes + besides)) {
        return Remember(std::move(held), Outcome::kNoRoom);
    }
    m_held.push_back(std::move(held));
    return Outcome::kHeld;
}

bool CReadAhead::MakeRoomToDecode(const std::wstring& path, Decoder decoder, const KeepGoing& keepGoing) {
    const std::optional<uint64_t> bytes = NamedBytes(path, decoder, keepGoing);
    while (bytes && !m_held.empty() && !HasRoomFor(2 * *bytes)) {
        m_held.erase(m_held.begin());
    }
    return !bytes || HasRoomFor(2 * *bytes);
}

void CReadAhead::KeepOnly(const std::vector<std::wstring>& paths) {
    std::erase_if(m_held, [&](const Held& h) { return std::find(paths.begin(), paths.end(), h.path) == paths.end(); });
}

CReadAhead::Outcome CReadAhead::Remember(Held held, Outcome outcome) {
    held.outcome = outcome;
    held.picture = CPicture();
    held.fitted = CFittedCopy();
    held.bytes = 0;
    m_held.push_back(std::move(held));
    return outcome;
}

CReadAhead::Outcome CReadAhead::Prepare(const std::wstring& path, Decoder decoder, HDC dc,
                                        const KeepGoing& keepGoing) {
    const std::optional<FileStamp> stamp = FileStamp::Of(path);
    const auto found = Find(path);
    if (found != m_held.end()) {
        if (stamp && found->stamp == *stamp && found->decoder == decoder) {
            return found->outcome;
        }
        m_held.erase(found);
    }
    if (!stamp || decoder.IsNone()) {
        return Outcome::kFailed;
    }
    if (m_held.size() >= kMaxPictures) {
        return Outcome::kNoRoom;
    }
    Held held;
    held.path = path;
    held.decoder = decoder;
    held.stamp = *stamp;
    // The decoder holds about as much again as the picture while it decodes. A picture whose
    // header cannot be read is taken to be as large as the largest held: pictures side by
    // side in a folder mostly share a size.
    bool stopped = false;
    const KeepGoing watch = [&] {
        stopped = stopped || (keepGoing && !keepGoing());
        return !stopped;
    };
    const std::optional<uint64_t> named = NamedBytes(path, decoder, watch);
    if (stopped) {
        return Outcome::kStopped;
    }
    const uint64_t expected = named.value_or(LargestHeld());
    if (!HasRoomFor(2 * expected)) {
        return Remember(std::move(held), Outcome::kNoRoom);
    }
    DecodeOutcome decoded = DecodePicture(path, decoder, dc, watch, DeviceBitmap::kLater);
    held.picture = std::move(decoded.picture);
    held.size = SIZE{held.picture.Width(), held.picture.Height()};
    held.bytes = held.picture.HeldBytes();
    if (stopped) {
        return Outcome::kStopped;
    }
    // A file that changed while it was read may be torn: it is read again when shown.
    const std::optional<FileStamp> after = FileStamp::Of(path);
    if (!after || !(*after == *stamp)) {
        return Outcome::kFailed;
    }
    if (!decoded) {
        return Remember(std::move(held), Outcome::kFailed);
    }
    if (!HasRoomFor(held.bytes)) {
        return Remember(std::move(held), Outcome::kNoRoom);
    }
    // A device bitmap doubles what the copy holds: only while another copy would still fit.
    // Broken off for a key, the copy is kept without it: it is made once the copy is shown.
    if (held.picture.LacksDeviceBitmap() && HasRoomFor(3 * held.bytes) &&
        held.picture.MakeDeviceBitmap(dc, watch)) {
        held.bytes = held.picture.HeldBytes();
    }
    m_held.push_back(std::move(held));
    return Outcome::kHeld;
}

std::optional<CReadAhead::Copy> CReadAhead::Take(const std::wstring& path, Decoder decoder) {
    const auto found = Find(path);
    if (found == m_held.end()) {
        return std::nullopt;
    }
    Held held = std::move(*found);
    m_held.erase(found);
    if (held.outcome != Outcome::kHeld || !(held.decoder == decoder)) {
        return std::nullopt;
    }
    const std::optional<FileStamp> now = FileStamp::Of(path);
    if (!now || !(*now == held.stamp)) {
        return std::nullopt;
    }
    return Copy{held.stamp, std::move(held.picture), std::move(held.fitted), held.size};
}

CReadAhead::Outcome CReadAhead::Fit(const std::wstring& path, const FittedSize& sizeOf, const KeepGoing& keepGoing) {
    const auto found = Find(path);
    if (found == m_held.end() || found->outcome != Outcome::kHeld) {
        return Outcome::kNoRoom;
    }
    const SIZE size = sizeOf(found->size);
    if (found->fitted.Fits(size.cx, size.cy)) {
        return Outcome::kHeld;
    }
    if (found->picture.IsEmpty()) {
        m_held.erase(found);  // nothing left to scale from
        return Outcome::kNoRoom;
    }
    const uint64_t wanted = BytesOf(size.cx, size.cy);
    found->bytes -= found->fitted.HeldBytes();
    found->fitted = CFittedCopy();
    if (wanted == 0 || !HasRoomFor(wanted)) {
        return Outcome::kNoRoom;
    }
    std::optional<CFittedCopy> fitted = CFittedCopy::Make(found->picture, size.cx, size.cy, keepGoing);
    if (!fitted) {
        return Outcome::kStopped;
    }
    found->fitted = std::move(*fitted);
    found->bytes += found->fitted.HeldBytes();
    return found->fitted.IsEmpty() ? Outcome::kNoRoom : Outcome::kHeld;
}

void CReadAhead::Retire(const std::wstring& path, Decoder decoder, const FileStamp& stamp, CPicture picture,
                        CFittedCopy fitted, SIZE size) {
    Held held;
    held.path = path;
    held.decoder = decoder;
    held.stamp = stamp;
    held.size = size;
    held.bytes = picture.IsEmpty() && fitted.IsEmpty() ? 0 : picture.HeldBytes() + fitted.HeldBytes();
    held.picture = std::move(picture);
    held.fitted = std::move(fitted);
    if (held.bytes == 0 || held.bytes > m_maxHeldBytes) {
        return;  // nothing held, or released at once
    }
    const auto same = Find(path);
    if (same != m_held.end()) {
        m_held.erase(same);
    }
    while (!m_held.empty() && (!HasRoomFor(held.bytes) || m_held.size() >= kMaxPictures)) {
        m_held.erase(m_held.begin());
    }
    m_held.push_back(std::move(held));
}
