#pragma once
// What the machine's WIC decoders can read: the filter texts the plug-in reports, and
// the recognition of a picture by its first bytes. BMP is left out on purpose: the
// viewer reads BMP files itself.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ixwic {

struct DecoderFilter {
    std::string filter;       // "*.jpeg;*.jpe;*.jpg", in the ANSI code page
    std::string description;  // the decoder's friendly name
};

// The installed decoders' filters, enumerated on the first call and kept; the call
// initialises COM itself. Empty when the enumeration failed (and tried again next time).
std::vector<DecoderFilter> InstalledDecoderFilters();

// ".jpeg,.jpe,.jpg" (commas or semicolons) as "*.jpeg;*.jpe;*.jpg"; empty when no extension.
std::string FilterFromExtensions(const std::wstring& extensions);

// True when the first bytes of a file are those of a picture a WIC decoder here reads.
bool IsPictureHeader(const uint8_t* header, size_t size);

// True when the bytes match a pattern an installed decoder (other than BMP's) registered:
// that decoder recognises them as its format. Initialises COM itself.
bool MatchesInstalledDecoder(const uint8_t* header, size_t size);

}  // namespace ixwic
