#include "image/SpiPluginList.h"

#include <algorithm>
#include <new>
#include <utility>

#include "framework/DirectoryEnumerator.h"
#include "framework/WideText.h"
#include "image/SpiInput.h"
#include "portable/PathUtil.h"
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
    return Count() - 1;
}

void CSpiPluginList::RemoveAll() {
    m_plugins.clear();
    m_loadedFiles.clear();
}

namespace {

std::wstring FullPathOf(const std::wstring& relative) {
    std::wstring full(MAX_PATH, L'\0');
    for (int round = 0; round < 2; ++round) {
        const DWORD len = ::GetFullPathNameW(relative.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (len == 0) {
            break;
        }
        if (len < full.size()) {
            full.resize(len);
            return full;
        }
        full.assign(len + 1, L'\0');
    }
    return relative;
}

}  // namespace

void CSpiPluginList::LoadFolder(const std::wstring& dir) {
    const std::wstring full = AddTrailingBackslash(FullPathOf(dir));
    const std::wstring extension = fw::Widen932(kSpiPluginExtension);
    fw::CDirectoryEnumerator found(full + L"*." + extension);
    fw::DirectoryEntry e;
    while (found.Next(e)) {
        const std::wstring path = full + e.name;
        // The pattern also matches a longer extension through its short name (x.spix).
        if (e.isDirectory || GetExtensionUpper(path) != extension) {
            continue;
        }
        // A file that cannot be opened has no identity to compare: its loading decides.
        const std::optional<fw::FileIdentity> identity = fw::IdentityOf(path);
        if (identity && std::find(m_loadedFiles.begin(), m_loadedFiles.end(), *identity) != m_loadedFiles.end()) {
            continue;
        }
        CSpiPlugin plugin;
        if (plugin.Load(path) && Add(std::move(plugin)) >= 0 && identity) {
            m_loadedFiles.push_back(*identity);
        }
    }
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
