#include "image/Decode.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <vector>

#include "framework/Handles.h"
#include "image/BmpImage.h"
#include "image/SpiPlugin.h"
#include "portable/PathUtil.h"

namespace {

// Counted from every thread that decodes (the window's, the read-ahead workers).
std::atomic<uint64_t> g_decodesStarted{0};
std::atomic<uint64_t> g_openedInRows{0};

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

std::unique_ptr<CSpiPlugin::Rows> OpenPictureRows(const std::wstring& path, const Decoder& decoder) {
    if (decoder.kind != Decoder::Kind::kPlugin || decoder.plugin == nullptr || IsDeviceName(GetFileNamePart(path))) {
        return nullptr;
    }
    std::unique_ptr<CSpiPlugin::Rows> rows = decoder.plugin->OpenRows(path);
    if (rows != nullptr) {
        ++g_decodesStarted;
        ++g_openedInRows;
    }
    return rows;
}

std::optional<uint64_t> BytesToReadInRows(const Decoder& decoder, uint64_t pictureBytes) {
    if (decoder.kind != Decoder::Kind::kPlugin || decoder.plugin == nullptr || !decoder.plugin->HandsOverRows()) {
        return std::nullopt;
    }
    return pictureBytes / 4 * 3 + CSpiPlugin::Rows::kBandBytes;
}

uint64_t PicturesOpenedInRows() {
    return g_openedInRows.load();
}

namespace {

// The file's first bytes, padded with zeros, as IsSupported is given them; false when the
// file cannot be read now.
bool ReadHead(const std::wstring& path, uint8_t (&head)[CSpiPlugin::kHeadBytes]) {
    std::fill(std::begin(head), std::end(head), uint8_t{0});
    const fw::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD read = 0;
    return file.IsValid() && ::ReadFile(file.Get(), head, sizeof head, &read, nullptr) != FALSE;
}

}  // namespace

AnyDecoderOutcome DecodeByAnyDecoder(const std::wstring& path, const Decoder& decoder, const CSpiPluginList& plugins,
                                     HDC dc, const KeepGoing& keepGoing, DeviceBitmap bitmap) {
    AnyDecoderOutcome result{DecodePicture(path, decoder, dc, keepGoing, bitmap), decoder};
    if (!result.outcome.failure || !SaysNoPicture(*result.outcome.failure) || IsDeviceName(GetFileNamePart(path))) {
        return result;
    }
    uint8_t head[CSpiPlugin::kHeadBytes];
    if (!ReadHead(path, head)) {
        return {DecodeOutcome::Failed(DecodeFailure::kReadError), decoder};
    }
    std::vector<Decoder> others;
    if (decoder.kind != Decoder::Kind::kBmp && head[0] == 'B' && head[1] == 'M') {
        others.push_back(Decoder::Bmp());
    }
    for (int i = 0; i < plugins.Count(); ++i) {
        if (plugins.At(i) != decoder.plugin) {
            others.push_back(Decoder::Plugin(plugins.At(i)));
        }
    }
    for (const Decoder& other : others) {
        if (other.kind == Decoder::Kind::kPlugin && !other.plugin->TakesContent(path, head, keepGoing)) {
            if (keepGoing && !keepGoing()) {
                return {DecodeOutcome::Failed(DecodeFailure::kStopped), other};
            }
            continue;
        }
        DecodeOutcome outcome = DecodePicture(path, other, dc, keepGoing, bitmap);
        if (!outcome.failure || *outcome.failure == DecodeFailure::kStopped) {
            return {std::move(outcome), other};
        }
        if (!SaysNoPicture(*outcome.failure) && SaysNoPicture(*result.outcome.failure)) {
            result = {std::move(outcome), other};
        }
    }
    return result;
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
    return g_decodesStarted.load();
}
