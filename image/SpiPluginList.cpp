#include "image/SpiPluginList.h"

#include <new>

int CSpiPluginList::Add(const CSpiPlugin& plugin) {
    try {
        if (m_plugins.size() == m_plugins.capacity()) {
            m_plugins.reserve(m_plugins.size() + kGrowBy);
        }
        m_plugins.push_back(std::make_unique<CSpiPlugin>(plugin));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return GetSize() - 1;
}

void CSpiPluginList::RemoveAll() {
    m_plugins.clear();
}
