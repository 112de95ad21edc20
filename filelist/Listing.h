#pragma once
// Reading a directory into the list's entries: its sub-directories (each before those read
// so far, as the list has always put them) and then the pictures some decoder reads, by
// name ignoring case. The folder lists itself this way, and so does a size-judged pass
// for each folder it walks below it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filelist/ListEntry.h"
#include "image/SpiPluginList.h"

struct Listing {
    std::vector<std::unique_ptr<ListEntry>> entries;  // in the list's order
    bool failed = false;   // the directory could not be read whole
    bool stopped = false;  // `keepAlive` answered false: the listing broke off
};

// Reads `dir`. `keepAlive`, when given, is asked first and then now and then while the
// directory is read; when it answers false the reading stops where it is.
Listing ReadListing(const std::wstring& dir, const CSpiPluginList& plugins, const std::function<bool()>& keepAlive);

// Whether picture `a` comes before picture `b` in the list.
bool PictureComesBefore(const std::wstring& a, const std::wstring& b);
