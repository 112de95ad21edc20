#pragma once
// The full path of a name in a directory, in the one form every operation hands to the
// system: the folder's entries (CFolder::PathOf) and the names they get in a target
// directory are all built here. The system strips trailing dots and blanks from a name in
// a plain path and opens a device for a device name, so such a path is handed over in its
// exact form ("\\?\"), which names the entry as listed (see SystemPath).
#include <string>

std::wstring EntryPath(const std::wstring& dir, const std::wstring& name);
