#pragma once
// Conversions between UTF-16 and the byte encodings the program meets: the ANSI code
// page of the A functions (code page 932) and UTF-8.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace fw {

// The text in UTF-16; nothing when its bytes are not valid in `codePage` (only UTF-8 is
// checked: every byte string converts from code page 932).
std::optional<std::wstring> ToWide(std::string_view text, UINT codePage);
// The text in `codePage`; a character that code page cannot hold becomes the system's
// substitute, as the A functions show such a name.
std::string FromWide(std::wstring_view text, UINT codePage);

}  // namespace fw
