#pragma once
// Why a decoder gave no picture, in the same words for the BMP reader and the plug-ins,
// and the sides a picture's header names, which can be read without decoding it.
// Portable: no <windows.h>.
#include <cstdint>

enum class DecodeFailure {
    kNotAPicture,  // the data is no picture of the decoder's formats
    kBroken,       // a picture of its format, but malformed beyond use
    kUnsupported,  // a well-formed picture of a form the decoder does not read
    kOutOfMemory,  // memory or another resource of the system ran out
    kTooLarge,     // the picture is larger than the decoder holds
    kReadError,    // the file could not be opened or read
    kStopped,      // the decode was asked to stop
    kUnnamed,      // the decoder failed without naming a reason (an unexpected answer)
};

// Whether the decoder found no picture in the data at all, rather than one it could not
// read this time or at this size.
constexpr bool SaysNoPicture(DecodeFailure failure) {
    return failure == DecodeFailure::kNotAPicture || failure == DecodeFailure::kBroken;
}

// The failure a plug-in's non-zero answer names (the result codes of the plug-in interface).
DecodeFailure FailureOfPluginResult(int result);

// The width and height of a picture, in pixels.
struct PictureSize {
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const PictureSize&) const = default;
};
