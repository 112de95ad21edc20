#pragma once
// Reading a directory into the list's entries: its sub-directories (each before those read
// so far, as the list has always put them) and then the pictures some decoder reads, by
// name ignoring case. The folder lists itself this way, and so does a size-judged pass
// for each folder it walks below it.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "filelist/ListEntry.h"
#include "framework/DirectoryEnumerator.h"
#include "image/SpiPluginList.h"

struct Listing {
    std::vector<std::unique_ptr<ListEntry>> entries;  // in the list's order
    bool failed = false;   // the directory could not be read whole
    bool stopped = false;  // `keepAlive` answered false: the listing broke off
};

// Reads a directory a part at a time: each Read goes on where the one before stopped, and
// Take hands over what was read since the last Take, in the list's order.
class CListingReader {
public:
    CListingReader(const std::wstring& dir, const CSpiPluginList& plugins);
    CListingReader(const CListingReader&) = delete;
    CListingReader& operator=(const CListingReader&) = delete;

    // Reads up to `maxNames` more names (every name counts, listed or not); true once the
    // directory is read to its end. `keepAlive`, when given, is asked first and then now and
    // then; when it answers false the reading stops where it is (stopped, and at its end).
    bool Read(size_t maxNames, const std::function<bool()>& keepAlive = {});
    bool AtEnd() const { return m_bAtEnd; }
    // What was read since the last Take, sorted; `failed` and `stopped` as they are now.
    Listing Take();
    // The decoder of a file name, as the listing finds it; none for a file it does not list.
    Decoder DecoderOf(std::wstring_view name);

private:
    const CSpiPluginList& m_plugins;
    fw::CDirectoryEnumerator m_enumerator;
    // What decodes each extension within this listing: the answers do not change.
    std::unordered_map<std::wstring, Decoder> m_decoderOf;
    std::vector<std::unique_ptr<ListEntry>> m_directories;
    std::vector<std::unique_ptr<ListEntry>> m_pictures;
    bool m_bAtEnd = false;
    bool m_bStopped = false;
};

// Reads `dir` whole. `keepAlive`, when given, is asked first and then now and then while
// the directory is read; when it answers false the reading stops where it is.
Listing ReadListing(const std::wstring& dir, const CSpiPluginList& plugins, const std::function<bool()>& keepAlive);

// A file name's extension as the plug-ins are asked about it (upper case, with its dot);
// empty when the name has none.
std::wstring PictureExtension(std::wstring_view name);

// Whether picture `a` comes before picture `b` in the list.
bool PictureComesBefore(const std::wstring& a, const std::wstring& b);

// Puts `later` (read after `earlier`, both in the list's order) into `earlier`: its
// directories before the earlier ones, its pictures merged in their order, a picture after
// the earlier ones of the same order. An entry whose name `earlier` holds already is dropped.
void MergeListing(std::vector<std::unique_ptr<ListEntry>>& earlier, std::vector<std::unique_ptr<ListEntry>> later);
