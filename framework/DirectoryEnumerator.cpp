#include "framework/DirectoryEnumerator.h"

#include <cstring>

namespace fw {

CDirectoryEnumerator::CDirectoryEnumerator(const std::string& pattern)
    : m_find(::FindFirstFileA(pattern.c_str(), &m_data)) {
    m_pending = m_find.IsValid();
}

bool CDirectoryEnumerator::Next(DirectoryEntry& entry) {
    while (m_pending || (m_find.IsValid() && ::FindNextFileA(m_find.Get(), &m_data))) {
        m_pending = false;
        const char* name = m_data.cFileName;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
            continue;
        }
        entry.name = name;
        entry.isDirectory = (m_data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.isReparsePoint = (m_data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entry.size = (uint64_t{m_data.nFileSizeHigh} << 32) | m_data.nFileSizeLow;
        return true;
    }
    return false;
}

}  // namespace fw
