#pragma once
// Matching a file extension against a plug-in's filter text such as "*.jpg;*.jpeg".
#include <string_view>

// Upper-cases the letters a-z only, leaving every other byte (and double-byte characters) as it is.
void UpperAsciiInPlace(char* text, size_t length);

// Whether one of the ';'-separated pieces of `filter`, after its first two bytes (normally
// "*."), equals `ext`; both compared with the letters a-z upper-cased. A piece shorter than
// two bytes never matches; wildcards are not interpreted. The split steps over double-byte
// characters (lead bytes 0x80-0x9F and 0xE0-0xFF), so a trail byte ';' never splits.
bool FilterMatchesExtension(std::string_view filter, std::string_view ext);
