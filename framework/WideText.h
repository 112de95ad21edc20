#pragma once
// Conversions between UTF-16, the form the wide functions and the windows take, and the
// byte encodings the program meets: code page 932, in which its own texts and its
// settings are written, and UTF-8. Every text is taken and given with its size: a NUL
// inside it is a character like any other.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace fw {

// The program's texts are code-page-932 bytes whatever the system's ANSI code page.
constexpr UINT kCodePage932 = 932;

// A code-page-932 text in UTF-16. Every byte string converts: a byte sequence that is no
// character of the code page becomes the code page's substitute character.
std::wstring Widen932(std::string_view text);
// A UTF-16 text in code page 932 exactly, or nothing when the code page cannot hold it
// (a character outside it, one it would only approximate, a lone surrogate).
std::optional<std::string> Narrow932(std::wstring_view text);
// A UTF-16 text in code page 932, a character the code page cannot hold replaced as the
// system's A functions replace it: for showing, never for naming a file.
std::string Narrow932Lossy(std::wstring_view text);

// A UTF-8 text in UTF-16; nothing when its bytes are not valid UTF-8.
std::optional<std::wstring> WidenUtf8(std::string_view text);
// A UTF-16 text in UTF-8; nothing when it holds a lone surrogate, which UTF-8 cannot carry.
std::optional<std::string> NarrowUtf8(std::wstring_view text);

// The text in UTF-16; nothing when its bytes are not valid in `codePage` (only UTF-8 is
// checked: every byte string converts from code page 932).
std::optional<std::wstring> ToWide(std::string_view text, UINT codePage);
// The text in `codePage`; a character that code page cannot hold becomes the system's
// substitute, as the A functions show such a name.
std::string FromWide(std::wstring_view text, UINT codePage);

// The system's own description of an error code (as the system's language words it), or
// the code itself when the system has none.
std::wstring SystemErrorText(unsigned long error);

}  // namespace fw
