#include "image/SpiPluginList.h"

#include <new>
#include <utility>

#include "image/SpiInput.h"
#include "portable/Cp932Text.h"

int CSpiPluginList::Add(CSpiPlugin&& plugin) {
    try {
        if (m_plugins.size() == m_plugins.capacity()) {
            m_plugins.reserve(m_plugins.size() + kGrowBy);
        }
        m_plugins.push_back(std::make_unique<CSpiPlugin>(std::move(plugin)));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return GetSize() - 1;
}

void CSpiPluginList::RemoveAll() {
    m_plugins.clear();
}

CSpiPlugin* CSpiPluginList::FindPluginFor(const std::string& ext) const {
    for (const auto& plugin : m_plugins) {
        if (plugin->SupportsExtension(ext)) {
            return plugin.get();
        }
    }
    return nullptr;
}

Decoder CSpiPluginList::DecoderFor(std::string_view name) const {
    const size_t dot = FindLastChar(name, '.');
    if (dot == std::string_view::npos) {
        return {};
    }
    const std::string ext = UpperCaseAscii(name.substr(dot + 1));
    if (ext == "BMP") {
        return Decoder::Bmp();
    }
    CSpiPlugin* plugin = FindPluginFor(ext);
    return plugin != nullptr ? Decoder::Plugin(plugin) : Decoder{};
}

Decoder CSpiPluginList::DecoderFor(std::wstring_view name) const {
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring_view::npos) {
        return {};
    }
    const std::optional<std::string> ext = ExactAnsiText(name.substr(dot + 1));
    return ext ? DecoderFor("." + *ext) : Decoder{};
}
