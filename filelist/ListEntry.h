#pragma once
// One entry of the file list: a sub-directory or a picture file, by its name exactly as
// stored on disk (UTF-16, as the wide enumeration gives it), with what decodes the picture
// and the file's size and last write time as they were when the entry was read.
#include <cstdint>
#include <string>

#include "image/SpiPluginList.h"

struct ListEntry {
    enum class Kind { kDirectory, kPicture };
    Kind kind = Kind::kDirectory;
    std::wstring name;
    Decoder decoder;              // for kPicture: what decodes the file (never none)
    bool isReparsePoint = false;  // a directory that is a junction or symbolic link
    uint64_t size = 0;            // for kPicture: the file's size and last write time when read
    uint64_t lastWrite = 0;
    // Which entry this is while the folder lists it: given by the folder, anew when the
    // entry's file is found replaced. A key is bound to it (CFolder::IndexSelectedAt).
    uint64_t id = 0;

    static ListEntry Directory(std::wstring name, bool reparsePoint = false) {
        return {Kind::kDirectory, std::move(name), Decoder(), reparsePoint};
    }
    // A picture decoded by `decoder` (which is not none).
    static ListEntry Picture(std::wstring name, Decoder decoder, uint64_t size = 0, uint64_t lastWrite = 0) {
        return {Kind::kPicture, std::move(name), decoder, false, size, lastWrite};
    }
    bool IsDirectory() const { return kind == Kind::kDirectory; }
    // The text the list shows: "[ name ]" for a directory, the name for a picture.
    std::wstring Text() const { return IsDirectory() ? L"[ " + name + L" ]" : name; }
    Decoder GetDecoder() const { return decoder; }
};
