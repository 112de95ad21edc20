#pragma once
// Splitting and joining Windows paths in UTF-16, as the wide functions of the system take
// them. A separator ('\\', '.', ':') is one code unit and the halves of a surrogate pair
// never equal one, so the code units are searched as they are (wchar_t may be wider than
// 16 bits where the core is built for the host). None of these functions touches the file
// system or fails; inputs of any length work.
#include <string>
#include <string_view>

// Text after the last '.', upper-cased (ASCII letters only); empty without a '.'.
std::wstring GetExtensionUpper(std::wstring_view path);
// Up to and including the last backslash; with none, "X:" when the path holds a ':', else empty.
std::wstring GetDirectoryPart(std::wstring_view path);
// The path ending in a backslash; a bare drive designator ("C:") stays as it is.
std::wstring AddTrailingBackslash(std::wstring_view path);
// The path without one final backslash; a drive root ("C:\\") stays as it is.
std::wstring RemoveTrailingBackslash(std::wstring_view path);
// The parent directory of a directory path, ending in a backslash.
std::wstring GetParentDirectory(std::wstring_view path);
// Text after the last backslash; the whole path when it holds none.
std::wstring GetFileNamePart(std::wstring_view path);
// The name with the text after its last '.' replaced by `ext` (a '.' is added when there is none).
std::wstring ReplaceExtension(std::wstring_view path, std::wstring_view ext);
// True for a name that names an entry of the folder it is joined to and nothing else:
// not empty, not "." or "..", and without '\\', '/', ':', a control character or one of
// * ? " < > |.
bool IsPlainFileName(std::wstring_view name);
// The letters a-z upper-cased; every other code unit stays as it is.
std::wstring UpperCaseAscii(std::wstring_view s);

// Whether a name is one of the system's device names (CON, PRN, AUX, NUL, COM1-COM9,
// LPT1-LPT9, ...), with any extension and letter case: in a plain path the system opens
// the device, not a file of that name.
bool IsDeviceName(std::wstring_view name);
// Whether the system would take a name in a plain path for another: it ends in '.' or ' '
// (which the system strips) or it is a device name.
bool NameNeedsExactForm(std::wstring_view name);
// Whether a path is in the exact form ("\\?\..."), which the system takes as it is.
bool IsExactForm(std::wstring_view path);
// The form in which the system takes a full path exactly as written: the path as it is
// when no name in it needs the exact form, else "\\?\" before a drive path and "\\?\UNC\"
// for "\\server\share\...". A relative path stays as it is.
std::wstring SystemPath(std::wstring_view path);
// A path as the user writes it: without the exact form's prefix.
std::wstring DisplayPath(std::wstring_view path);
