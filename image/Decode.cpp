#include "image/Decode.h"

#include "image/BmpImage.h"
#include "image/SpiPlugin.h"
#include "portable/PathUtil.h"

namespace {

uint64_t g_decodesStarted = 0;

}  // namespace

DecodeOutcome DecodePicture(const std::wstring& path, const Decoder& decoder, HDC dc, const KeepGoing& keepGoing,
                            DeviceBitmap bitmap) {
    // A file with a device's name is never opened: through a plain path (a plug-in that
    // takes names) the system would open the device, and a read may wait for it for good.
    if (IsDeviceName(GetFileNamePart(path))) {
        return DecodeOutcome::Failed(DecodeFailure::kReadError);
    }
    switch (decoder.kind) {
        case Decoder::Kind::kBmp:
            ++g_decodesStarted;
            return CBmpImage::Read(path, dc, keepGoing, nullptr, bitmap);
        case Decoder::Kind::kPlugin:
            ++g_decodesStarted;
            return decoder.plugin->Decode(path, keepGoing);
        case Decoder::Kind::kNone:
            break;
    }
    // Without a decoder nothing is known of the file: it is no verdict that it holds no picture.
    return DecodeOutcome::Failed(DecodeFailure::kUnsupported);
}

std::optional<PictureSize> ReadHeaderSize(const std::wstring& path, const Decoder& decoder,
                                          const KeepGoing& keepGoing) {
    if (IsDeviceName(GetFileNamePart(path))) {
        return std::nullopt;
    }
    switch (decoder.kind) {
        case Decoder::Kind::kBmp:
            return CBmpImage::ReadHeaderSize(path);
        case Decoder::Kind::kPlugin:
            return decoder.plugin->ReadHeaderSize(path, keepGoing);
        case Decoder::Kind::kNone:
            break;
    }
    return std::nullopt;
}

uint64_t DecodesStarted() {
    return g_decodesStarted;
}
