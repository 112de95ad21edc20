#pragma once
// The full path of a name in a directory, in the one form every operation hands to the
// system: the folder's entries (CFolder::PathOf) and the names they get in a target
// directory are all built here.
#include <string>

std::wstring EntryPath(const std::wstring& dir, const std::wstring& name);
