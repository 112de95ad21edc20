#include "framework/DirectoryEnumerator.h"

#include <cwchar>

namespace fw {

namespace {

// The errors that only say there is nothing (more) to find.
bool MeansNoMoreFiles(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
}

}  // namespace

CDirectoryEnumerator::CDirectoryEnumerator(const std::wstring& pattern, bool bulk)
    : m_find(bulk ? ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &m_data, FindExSearchNameMatch, nullptr,
                                       FIND_FIRST_EX_LARGE_FETCH)
                  : ::FindFirstFileW(pattern.c_str(), &m_data)) {
    m_pending = m_find.IsValid();
    m_bFailed = !m_pending && !MeansNoMoreFiles(::GetLastError());
}

bool CDirectoryEnumerator::Next(DirectoryEntry& entry) {
    while (m_pending || (m_find.IsValid() && ::FindNextFileW(m_find.Get(), &m_data))) {
        m_pending = false;
        const wchar_t* name = m_data.cFileName;
        if (std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0) {
            continue;
        }
        entry.name = name;
        entry.isDirectory = (m_data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.isReparsePoint = (m_data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entry.size = (uint64_t{m_data.nFileSizeHigh} << 32) | m_data.nFileSizeLow;
        entry.lastWrite = (uint64_t{m_data.ftLastWriteTime.dwHighDateTime} << 32) | m_data.ftLastWriteTime.dwLowDateTime;
        return true;
    }
    // The search is over: it ran out of entries, or reading the directory broke off.
    if (m_find.IsValid()) {
        m_bFailed = !MeansNoMoreFiles(::GetLastError());
        m_find.Reset();
    }
    return false;
}

}  // namespace fw
