#pragma once
// The entries of a directory that match a pattern ("C:\\pics\\*.*", "SPI\\*.SPI"),
// in the order the file system enumerates them, without "." and "..". Pattern and names
// are UTF-16, exactly as the file system holds them: a name that code page 932 cannot
// hold is no best-fit look-alike that may name another entry.
#include <cstdint>
#include <string>

#include "framework/Handles.h"

namespace fw {

struct DirectoryEntry {
    std::wstring name;  // as stored on disk
    bool isDirectory = false;
    // A junction, symbolic link or other reparse point: a directory so marked may lead
    // somewhere else entirely.
    bool isReparsePoint = false;
    uint64_t size = 0;
    uint64_t lastWrite = 0;  // the last write time, as a FILETIME's 100-ns count
};

class CDirectoryEnumerator {
public:
    // `bulk`: the names only (no short names), fetched in large buffers, for a directory
    // that may hold very many entries.
    explicit CDirectoryEnumerator(const std::wstring& pattern, bool bulk = false);
    CDirectoryEnumerator(const CDirectoryEnumerator&) = delete;
    CDirectoryEnumerator& operator=(const CDirectoryEnumerator&) = delete;

    // The next entry; false when there is none (or the pattern matched nothing), and when
    // the enumeration failed.
    bool Next(DirectoryEntry& entry);
    // Whether the enumeration failed rather than ran out of entries: the directory could
    // not be read (it is gone, not accessible, or its path too long), or reading it broke
    // off. A pattern that matches nothing is no failure.
    bool Failed() const { return m_bFailed; }

private:
    WIN32_FIND_DATAW m_data{};  // before m_find: the first entry is found into it
    FindHandle m_find;
    bool m_pending = false;  // m_data holds an entry not yet handed out
    bool m_bFailed = false;
};

}  // namespace fw
