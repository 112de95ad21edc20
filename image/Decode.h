#pragma once
// The one way a file becomes a picture: the decoder the file list chose for it (the BMP
// reader or a plug-in) reads it. Nothing above image/ asks which kind of decoder it is.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "image/DecodeFailure.h"
#include "image/Picture.h"
#include "image/SpiPlugin.h"
#include "image/SpiPluginList.h"

// Decodes the file at `path` with `decoder` into a picture (a BMP file's bitmap compatible
// with `dc`, made at once or left for later as `bitmap` says), or says why not:
// kNotAPicture, kBroken, kOutOfMemory, kTooLarge, kReadError, kStopped (when `keepGoing`
// answered false), ... A decoder that is none gives kUnsupported.
DecodeOutcome DecodePicture(const std::wstring& path, const Decoder& decoder, HDC dc,
                            const KeepGoing& keepGoing = KeepGoing(), DeviceBitmap bitmap = DeviceBitmap::kNow);

// The rows of the file at `path` a band at a time, for a read-ahead worker that scales the
// picture while it is decoded (CSpiPlugin::OpenRows); null when its decoder does not hand
// them over so: the picture is then decoded whole. Counted as a decode started.
std::unique_ptr<CSpiPlugin::Rows> OpenPictureRows(const std::wstring& path, const Decoder& decoder);
// What reading a picture of `pictureBytes` (decoded to 4 bytes a pixel) in rows holds
// beside its copy: the decoder's own buffer of 24-bit pixels and a band; none when
// `decoder` does not hand its rows over.
std::optional<uint64_t> BytesToReadInRows(const Decoder& decoder, uint64_t pictureBytes);
// How many of those OpenPictureRows has opened in this process (for tests and the benchmarks).
uint64_t PicturesOpenedInRows();

// What a decode by any decoder came to, and the decoder whose outcome it is.
struct AnyDecoderOutcome {
    DecodeOutcome outcome;
    Decoder by;
};
// Decodes as DecodePicture does; when `decoder` finds no picture in the file, the file
// goes to every other decoder that takes its content in turn: each other plug-in of
// `plugins` whose IsSupported takes its first bytes, in load order, and the BMP reader
// for a BMP signature. The first picture read is the outcome. The file holds no picture
// only when every one asked says so; a failure that is no such verdict (too large, out of
// memory, a read error) stands before one that is, and a stop ends the round at once.
AnyDecoderOutcome DecodeByAnyDecoder(const std::wstring& path, const Decoder& decoder, const CSpiPluginList& plugins,
                                     HDC dc, const KeepGoing& keepGoing = KeepGoing(),
                                     DeviceBitmap bitmap = DeviceBitmap::kNow);

// The width and height the file's header names, read without decoding the file; none when
// the decoder cannot read it (or is none), or when `keepGoing` answered false while a
// plug-in's reading waited for the decode thread.
std::optional<PictureSize> ReadHeaderSize(const std::wstring& path, const Decoder& decoder,
                                          const KeepGoing& keepGoing = KeepGoing());

// How many decodes DecodePicture has started in this process: what a repaint must not add to.
uint64_t DecodesStarted();
