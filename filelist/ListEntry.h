#pragma once
// One entry of the file list: a sub-directory or a picture file, by its name exactly as
// stored on disk (UTF-16, as the wide enumeration gives it), with what decodes the picture.
#include <string>

#include "image/SpiPluginList.h"

struct ListEntry {
    enum class Kind { kDirectory, kPicture };
    Kind kind = Kind::kDirectory;
    std::wstring name;
    Decoder decoder;              // for kPicture: what decodes the file (never none)
    bool isReparsePoint = false;  // a directory that is a junction or symbolic link

    static ListEntry Directory(std::wstring name, bool reparsePoint = false) {
        return {Kind::kDirectory, std::move(name), Decoder(), reparsePoint};
    }
    // A picture decoded by `decoder` (which is not none).
    static ListEntry Picture(std::wstring name, Decoder decoder) {
        return {Kind::kPicture, std::move(name), decoder, false};
    }
    bool IsDirectory() const { return kind == Kind::kDirectory; }
    // The text the list shows: "[ name ]" for a directory, the name for a picture.
    std::wstring Text() const { return IsDirectory() ? L"[ " + name + L" ]" : name; }
    Decoder GetDecoder() const { return decoder; }
};
