#pragma once
// The full path a path argument names, resolved against the working directory the way the
// system resolves a relative path, but by text alone: every name stays exactly as given
// (trailing dots and blanks included, which the system's own resolution would drop).
// Portable.
#include <string>
#include <string_view>

// `currentDir` is the working directory as a full path. The result:
// - "C:\a\b" and "\\server\share\a" as they are;
// - a relative path ("a\b", ".\a", "..\a") below `currentDir`;
// - a path from the root ("\a") below the root of `currentDir` (its drive or share);
// - a path on a drive without a backslash ("D:a", "D:") below `currentDir` when that is on
//   drive D, else below the drive's root (the system would use that drive's own working
//   directory, which only it knows);
// - "\\?\..." and "\\.\..." exactly as given (they name a path the system takes verbatim).
// Slashes become backslashes, empty and "." components go, ".." takes the component
// before it away (never the root). The result ends in a backslash only when it is a root.
// An empty argument, or a relative one with no working directory, comes back as given.
std::wstring FullPathOfArgument(std::wstring_view currentDir, std::wstring_view argument);
