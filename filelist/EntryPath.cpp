#include "filelist/EntryPath.h"

#include "portable/PathUtil.h"

std::wstring EntryPath(const std::wstring& dir, const std::wstring& name) {
    return SystemPath(AddTrailingBackslash(dir) + name);
}
