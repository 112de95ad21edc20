#pragma once
// One entry of the file list: a sub-directory or a picture file, by its name exactly as
// stored on disk (UTF-16, as the wide enumeration gives it), with what decodes the picture.
#include <string>

#include "image/SpiPluginList.h"

struct ListEntry {
    enum class Kind { kDirectory, kBmp, kPlugin };
    Kind kind = Kind::kDirectory;
    std::wstring name;
    CSpiPlugin* plugin = nullptr;  // for kPlugin: the plug-in that decodes the file
    bool isReparsePoint = false;   // a directory that is a junction or symbolic link

    static ListEntry Directory(std::wstring name, bool reparsePoint = false) {
        return {Kind::kDirectory, std::move(name), nullptr, reparsePoint};
    }
    // A picture decoded by `decoder` (which is not none).
    static ListEntry Picture(std::wstring name, Decoder decoder) {
        return decoder.kind == Decoder::Kind::kBmp ? ListEntry{Kind::kBmp, std::move(name), nullptr}
                                                   : ListEntry{Kind::kPlugin, std::move(name), decoder.plugin};
    }
    bool IsDirectory() const { return kind == Kind::kDirectory; }
    // The text the list shows: "[ name ]" for a directory, the name for a picture.
    std::wstring Text() const { return IsDirectory() ? L"[ " + name + L" ]" : name; }
    Decoder GetDecoder() const {
        switch (kind) {
            case Kind::kBmp:
                return Decoder::Bmp();
            case Kind::kPlugin:
                return Decoder::Plugin(plugin);
            case Kind::kDirectory:
                break;
        }
        return {};
    }
};
