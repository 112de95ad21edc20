#pragma once
// The entries of a directory that match a pattern ("C:\\pics\\*.*", "SPI\\*.SPI"),
// in the order the file system enumerates them, without "." and "..".
#include <cstdint>
#include <string>

#include "framework/Handles.h"

namespace fw {

struct DirectoryEntry {
    std::string name;  // as stored on disk (code page 932)
    bool isDirectory = false;
    // A junction, symbolic link or other reparse point: a directory so marked may lead
    // somewhere else entirely.
    bool isReparsePoint = false;
    uint64_t size = 0;
};

class CDirectoryEnumerator {
public:
    explicit CDirectoryEnumerator(const std::string& pattern);
    CDirectoryEnumerator(const CDirectoryEnumerator&) = delete;
    CDirectoryEnumerator& operator=(const CDirectoryEnumerator&) = delete;

    // The next entry; false when there is none (or the pattern matched nothing).
    bool Next(DirectoryEntry& entry);

private:
    WIN32_FIND_DATAA m_data{};  // before m_find: the first entry is found into it
    FindHandle m_find;
    bool m_pending = false;  // m_data holds an entry not yet handed out
};

}  // namespace fw
