#include "framework/FileNames.h"

#include <windows.h>

#include "framework/Handles.h"

namespace fw {
namespace {

// Free names tried beside an entry that changes only its letter case.
constexpr int kStepAsideTries = 100;

// The name of the entry at `path` as its directory holds it; empty when there is none.
std::wstring NameOnDisk(const std::wstring& path) {
    WIN32_FIND_DATAW found{};
    const FindHandle find(::FindFirstFileW(path.c_str(), &found));
    return find.IsValid() ? std::wstring(found.cFileName) : std::wstring();
}

bool MoveEntry(const std::wstring& from, const std::wstring& to) {
    return ::MoveFileW(from.c_str(), to.c_str()) != FALSE;  // never replaces
}

}  // namespace

bool PathExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool SameNameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

bool ChangeNameCase(const std::wstring& from, const std::wstring& to) {
    const size_t slash = to.find_last_of(L'\\');
    const std::wstring newName = slash == std::wstring::npos ? to : to.substr(slash + 1);
    if (MoveEntry(from, to) && NameOnDisk(to) == newName) {
        return true;
    }
    for (int i = 0; i < kStepAsideTries; ++i) {
        const std::wstring aside = from + L".rename" + std::to_wstring(i);
        if (PathExists(aside)) {
            continue;
        }
        if (!MoveEntry(from, aside)) {
            return false;
        }
        if (MoveEntry(aside, to)) {
            return true;
        }
        MoveEntry(aside, from);
        return false;
    }
    return false;
}

}  // namespace fw
