#include "filelist/Listing.h"

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <unordered_set>

#include "filelist/EntryPath.h"
#include "portable/PathUtil.h"

namespace {

// The window is kept alive at most this often while a directory is read.
constexpr DWORD kKeepAliveIntervalMs = 15;

bool IsDirectoryEntry(const std::unique_ptr<ListEntry>& e) {
    return e->IsDirectory();
}

}  // namespace

bool PictureComesBefore(const std::wstring& a, const std::wstring& b) {
    return ::lstrcmpiW(a.c_str(), b.c_str()) < 0;
}

CListingReader::CListingReader(const std::wstring& dir, const CSpiPluginList& plugins)
    : m_plugins(plugins), m_enumerator(EntryPath(dir, L"*.*"), true) {}

Decoder CListingReader::DecoderOf(std::wstring_view name) {
    std::wstring ext = PictureExtension(name);
    if (ext.empty()) {
        return Decoder();
    }
    auto cached = m_decoderOf.find(ext);
    if (cached == m_decoderOf.end()) {
        const Decoder decoder = m_plugins.DecoderFor(ext);
        cached = m_decoderOf.emplace(std::move(ext), decoder).first;
    }
    return cached->second;
}

std::wstring PictureExtension(std::wstring_view name) {
    const size_t dot = name.rfind(L'.');
    return dot == std::wstring_view::npos ? std::wstring() : UpperCaseAscii(name.substr(dot));
}

bool CListingReader::Read(size_t maxNames, const std::function<bool()>& keepAlive) {
    // The window is kept alive first of all: what waits for it is not kept waiting for the
    // whole listing.
    bool alive = !keepAlive || keepAlive();
    DWORD lastKept = ::GetTickCount();
    fw::DirectoryEntry e;
    for (size_t n = 0; alive && n < maxNames; ++n) {
        if (!m_enumerator.Next(e)) {
            m_bAtEnd = true;
            break;
        }
        if (e.isDirectory) {
            m_directories.push_back(
                std::make_unique<ListEntry>(ListEntry::Directory(std::move(e.name), e.isReparsePoint)));
            continue;
        }
        const Decoder decoder = DecoderOf(e.name);
        if (decoder.IsNone()) {
            continue;
        }
        m_pictures.push_back(
            std::make_unique<ListEntry>(ListEntry::Picture(std::move(e.name), decoder, e.size, e.lastWrite)));
        if (keepAlive && ::GetTickCount() - lastKept >= kKeepAliveIntervalMs) {
            alive = keepAlive();
            lastKept = ::GetTickCount();
        }
    }
    if (!alive) {
        m_bStopped = m_bAtEnd = true;
    }
    return m_bAtEnd;
}

Listing CListingReader::Take() {
    Listing listing;
    listing.stopped = m_bStopped;
    listing.failed = m_bStopped || m_enumerator.Failed();
    std::stable_sort(m_pictures.begin(), m_pictures.end(),
                     [](const auto& a, const auto& b) { return PictureComesBefore(a->name, b->name); });
    listing.entries.reserve(m_directories.size() + m_pictures.size());
    std::move(m_directories.rbegin(), m_directories.rend(), std::back_inserter(listing.entries));
    std::move(m_pictures.begin(), m_pictures.end(), std::back_inserter(listing.entries));
    m_directories.clear();
    m_pictures.clear();
    m_directories.shrink_to_fit();
    m_pictures.shrink_to_fit();
    return listing;
}

Listing ReadListing(const std::wstring& dir, const CSpiPluginList& plugins, const std::function<bool()>& keepAlive) {
    CListingReader reader(dir, plugins);
    reader.Read(SIZE_MAX, keepAlive);
    return reader.Take();
}

void MergeListing(std::vector<std::unique_ptr<ListEntry>>& earlier, std::vector<std::unique_ptr<ListEntry>> later) {
    std::unordered_set<std::wstring_view> known;
    known.reserve(earlier.size());
    for (const auto& e : earlier) {
        known.insert(e->name);
    }
    const auto isKnown = [&](const std::unique_ptr<ListEntry>& e) { return known.count(e->name) != 0; };
    later.erase(std::remove_if(later.begin(), later.end(), isKnown), later.end());
    known.clear();

    std::vector<std::unique_ptr<ListEntry>> merged;
    merged.reserve(earlier.size() + later.size());
    const auto laterPictures = std::partition_point(later.begin(), later.end(), IsDirectoryEntry);
    const auto earlierPictures = std::partition_point(earlier.begin(), earlier.end(), IsDirectoryEntry);
    std::move(later.begin(), laterPictures, std::back_inserter(merged));
    std::move(earlier.begin(), earlierPictures, std::back_inserter(merged));
    // On equal order the earlier entry goes first, as a stable sort of the whole would put it.
    std::merge(std::make_move_iterator(earlierPictures), std::make_move_iterator(earlier.end()),
               std::make_move_iterator(laterPictures), std::make_move_iterator(later.end()),
               std::back_inserter(merged),
               [](const auto& a, const auto& b) { return PictureComesBefore(a->name, b->name); });
    earlier = std::move(merged);
}
