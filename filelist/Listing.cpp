#include "filelist/Listing.h"

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <unordered_map>

#include "filelist/EntryPath.h"
#include "framework/DirectoryEnumerator.h"
#include "portable/PathUtil.h"

namespace {

// The window is kept alive at most this often while a directory is read.
constexpr DWORD kKeepAliveIntervalMs = 15;

}  // namespace

bool PictureComesBefore(const std::wstring& a, const std::wstring& b) {
    return ::lstrcmpiW(a.c_str(), b.c_str()) < 0;
}

Listing ReadListing(const std::wstring& dir, const CSpiPluginList& plugins, const std::function<bool()>& keepAlive) {
    Listing listing;
    // The window is kept alive first of all: what waits for it is not kept waiting for the
    // whole listing.
    bool alive = !keepAlive || keepAlive();
    std::vector<std::unique_ptr<ListEntry>> directories;
    std::vector<std::unique_ptr<ListEntry>> pictures;
    fw::CDirectoryEnumerator enumerator(EntryPath(dir, L"*.*"));
    // What decodes each extension within this listing: the answers do not change.
    std::unordered_map<std::wstring, Decoder> decoderOf;
    DWORD lastKept = ::GetTickCount();
    fw::DirectoryEntry e;
    while (alive && enumerator.Next(e)) {
        if (e.isDirectory) {
            directories.push_back(
                std::make_unique<ListEntry>(ListEntry::Directory(std::move(e.name), e.isReparsePoint)));
            continue;
        }
        const size_t dot = e.name.rfind(L'.');
        if (dot == std::wstring::npos) {
            continue;
        }
        const std::wstring ext = UpperCaseAscii(std::wstring_view(e.name).substr(dot));
        auto cached = decoderOf.find(ext);
        if (cached == decoderOf.end()) {
            cached = decoderOf.emplace(ext, plugins.DecoderFor(ext)).first;
        }
        if (cached->second.IsNone()) {
            continue;
        }
        pictures.push_back(std::make_unique<ListEntry>(ListEntry::Picture(std::move(e.name), cached->second)));
        if (keepAlive && ::GetTickCount() - lastKept >= kKeepAliveIntervalMs) {
            alive = keepAlive();
            lastKept = ::GetTickCount();
        }
    }
    listing.stopped = !alive;
    listing.failed = !alive || enumerator.Failed();
    std::stable_sort(pictures.begin(), pictures.end(),
                     [](const auto& a, const auto& b) { return PictureComesBefore(a->name, b->name); });
    listing.entries.reserve(directories.size() + pictures.size());
    std::move(directories.rbegin(), directories.rend(), std::back_inserter(listing.entries));
    std::move(pictures.begin(), pictures.end(), std::back_inserter(listing.entries));
    return listing;
}
