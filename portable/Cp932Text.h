#pragma once
// Code-page-932 text: which bytes start a double-byte character, finding a single-byte
// character without mistaking a trail byte for it, and upper-casing. Portable: no
// <windows.h>. Paths, file names and list texts use the strict rule; the filter texts
// that plug-ins report use the wider one below.
#include <cstddef>
#include <string>
#include <string_view>

// True for a byte that starts a double-byte character in code page 932.
constexpr bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The rule for splitting a plug-in's filter text: 0x80 and 0xFD-0xFF, which code page
// 932 leaves undefined, also take the next byte with them. The text comes from outside;
// a stray byte there must not let a split start between it and the byte after it, and
// this is the rule plug-ins apply to their own filters.
constexpr bool IsFilterLeadByte(unsigned char c) {
    return (c >= 0x80 && c <= 0x9F) || c >= 0xE0;
}

// Index of the last occurrence of the single-byte character `ch`, found by a walk that
// steps over double-byte characters whole; npos when there is none.
size_t FindLastChar(std::string_view s, char ch);

// The letters a-z upper-cased; double-byte characters are kept whole, so a trail byte
// that happens to be a letter stays as it is.
std::string UpperCaseAscii(std::string_view s);

// The letters a-z upper-cased byte by byte, trail bytes included: how a plug-in's filter
// text and the extension compared with it are upper-cased.
void UpperAsciiBytesInPlace(char* text, size_t length);
