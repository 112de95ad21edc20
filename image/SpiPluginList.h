#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/FileIdentity.h"
#include "image/SpiPlugin.h"

// What decodes a picture file: the viewer's own BMP reader or a plug-in.
struct Decoder {
    enum class Kind { kNone, kBmp, kPlugin };
    Kind kind = Kind::kNone;
    CSpiPlugin* plugin = nullptr;  // for kPlugin

    static Decoder Bmp() { return {Kind::kBmp, nullptr}; }
    static Decoder Plugin(CSpiPlugin* p) { return {Kind::kPlugin, p}; }
    bool IsNone() const { return kind == Kind::kNone; }
    bool operator==(const Decoder&) const = default;
};

// The loaded plug-ins in load order. It owns them; an element keeps its address while
// it is in the list, so the file list may hold pointers to elements.
class CSpiPluginList {
public:
    CSpiPluginList() = default;
    CSpiPluginList(const CSpiPluginList&) = delete;
    CSpiPluginList& operator=(const CSpiPluginList&) = delete;
    ~CSpiPluginList() = default;

    int Count() const { return static_cast<int>(m_plugins.size()); }
    // No bounds check: callers stay below Count().
    CSpiPlugin* At(int index) const { return m_plugins[static_cast<size_t>(index)].get(); }
    // Takes a loaded plug-in over; returns its index, or -1 when no room could be made.
    int Add(CSpiPlugin&& plugin);
    // Deletes every element.
    void RemoveAll();
    // Loads every image-import plug-in in `dir` (relative to the current directory, or
    // full), the files SPI\*.SPI (*.SPH in the 64-bit build), in the order the folder
    // lists them. A file that a LoadFolder since the last RemoveAll has loaded already (the
    // same file, told by its identity however its path is spelled) is not loaded again.
    void LoadFolder(const std::wstring& dir);

    // The first plug-in, in load order, that accepts the extension; null when none does.
    CSpiPlugin* FindPluginFor(const std::string& ext) const;
    // What decodes a file of this name: BMP for the extension "BMP" (any case), else the
    // first plug-in that accepts its extension; none for a name without a '.'.
    Decoder DecoderFor(std::string_view name) const;
    // The same for a name in UTF-16; an extension the ANSI code page cannot hold is no
    // plug-in's.
    Decoder DecoderFor(std::wstring_view name) const;

    // The pointer storage grows by this many entries at a time.
    static constexpr size_t kGrowBy = 10;

private:
    std::vector<std::unique_ptr<CSpiPlugin>> m_plugins;
    // The files LoadFolder has loaded plug-ins from.
    std::vector<fw::FileIdentity> m_loadedFiles;
};
