#pragma once
// Matching a file extension against a plug-in's filter text such as "*.jpg;*.jpeg".
#include <string_view>

// Whether one of the ';'-separated pieces of `filter`, after its first two bytes (normally
// "*."), equals `ext`; both compared with the letters a-z upper-cased. A piece shorter than
// two bytes never matches; wildcards are not interpreted. The split steps over double-byte
// characters (IsFilterLeadByte), so a trail byte ';' never splits.
bool FilterMatchesExtension(std::string_view filter, std::string_view ext);
