#pragma once
// The one way a file becomes a picture: the decoder the file list chose for it (the BMP
// reader or a plug-in) reads it. Nothing above image/ asks which kind of decoder it is.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "image/DecodeFailure.h"
#include "image/Picture.h"
#include "image/SpiPluginList.h"

// Decodes the file at `path` with `decoder` into a picture (a BMP file's bitmap compatible
// with `dc`, made at once or left for later as `bitmap` says), or says why not:
// kNotAPicture, kBroken, kOutOfMemory, kTooLarge, kReadError, kStopped (when `keepGoing`
// answered false), ... A decoder that is none gives kUnsupported.
DecodeOutcome DecodePicture(const std::wstring& path, const Decoder& decoder, HDC dc,
                            const KeepGoing& keepGoing = KeepGoing(), DeviceBitmap bitmap = DeviceBitmap::kNow);

// The width and height the file's header names, read without decoding the file; none when
// the decoder cannot read it (or is none), or when `keepGoing` answered false while a
// plug-in's reading waited for the decode thread.
std::optional<PictureSize> ReadHeaderSize(const std::wstring& path, const Decoder& decoder,
                                          const KeepGoing& keepGoing = KeepGoing());

// How many decodes DecodePicture has started in this process: what a repaint must not add to.
uint64_t DecodesStarted();
