#pragma once
// File names on disk by the file system's own rules, for paths in UTF-16.
#include <string>

namespace fw {

// Whether something (a file or a directory) exists at `path`.
bool PathExists(const std::wstring& path);
// Whether two names or paths differ at most in letter case, by the system's rules for
// file names (not only ASCII letters).
bool SameNameIgnoringCase(const std::wstring& a, const std::wstring& b);
// Gives the entry at `from` the name `to`, which differs from it in letter case only,
// never replacing another entry. A file system may take the new name for the entry itself
// and report success with the old name left as it was: the entry then goes through a free
// name beside it, and back when the second step fails.
bool ChangeNameCase(const std::wstring& from, const std::wstring& to);

}  // namespace fw
