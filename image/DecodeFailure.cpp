#include "image/DecodeFailure.h"

#include "image/SpiResult.h"

// Only "unknown format" and "broken data" say that the file holds no picture; every
// other answer leaves it a picture that could not be read now.
DecodeFailure FailureOfPluginResult(int result) {
    switch (result) {
        case kSpiUnknownFormat:
            return DecodeFailure::kNotAPicture;
        case kSpiBrokenData:
            return DecodeFailure::kBroken;
        case kSpiOutOfMemory:
        case kSpiMemoryError:
            return DecodeFailure::kOutOfMemory;
        case kSpiFileReadError:
        case kSpiEndOfFile:
            return DecodeFailure::kReadError;
        case kSpiAborted:
            return DecodeFailure::kStopped;
        default:
            return DecodeFailure::kUnnamed;
    }
}
