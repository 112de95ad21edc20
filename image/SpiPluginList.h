#pragma once
#include <memory>
#include <vector>

#include "image/SpiPlugin.h"

// The loaded plug-ins in load order. It owns them; an element keeps its address while
// it is in the list, so the file list may hold pointers to elements.
class CSpiPluginList {
public:
    CSpiPluginList() = default;
    CSpiPluginList(const CSpiPluginList&) = delete;
    CSpiPluginList& operator=(const CSpiPluginList&) = delete;
    ~CSpiPluginList() = default;

    int GetSize() const { return static_cast<int>(m_plugins.size()); }
    // No bounds check: callers stay below GetSize().
    CSpiPlugin* GetAt(int index) const { return m_plugins[static_cast<size_t>(index)].get(); }
    // Adds a copy of `plugin` (which loads the library again); returns its index, or -1
    // when no room could be made.
    int Add(const CSpiPlugin& plugin);
    // Deletes every element.
    void RemoveAll();

    // The pointer storage grows by this many entries at a time.
    static constexpr size_t kGrowBy = 10;

private:
    std::vector<std::unique_ptr<CSpiPlugin>> m_plugins;
};
