#include "plugins/ixwic/DecoderCatalog.h"

#include <cstring>
#include <mutex>

#include "plugins/ixwic/PictureHeader.h"
#include "plugins/ixwic/WicPicture.h"

namespace ixwic {

namespace {

std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int length = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                             nullptr, nullptr);
    if (length <= 0) {
        return {};
    }
    std::string ansi(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), ansi.data(), length, nullptr,
                          nullptr);
    return ansi;
}

bool IsBmpDecoder(IWICBitmapCodecInfo* info) {
    GUID container;
    return SUCCEEDED(info->GetContainerFormat(&container)) && container == GUID_ContainerFormatBmp;
}

// Calls a WIC getter of the "size, buffer, actual size" kind for a whole string.
template <typename Getter>
std::wstring ReadWicString(Getter getter) {
    UINT length = 0;
    if (FAILED(getter(0, nullptr, &length)) || length == 0) {
        return {};
    }
    std::wstring text(length, L'\0');
    if (FAILED(getter(length, text.data(), &length))) {
        return {};
    }
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

// Calls visit(decoderInfo) for every installed decoder but BMP's, until it returns true.
template <typename Visit>
bool ForEachDecoder(IWICImagingFactory* factory, Visit visit) {
    ComPtr<IEnumUnknown> decoders;
    if (FAILED(factory->CreateComponentEnumerator(WICDecoder, WICComponentEnumerateDefault, &decoders))) {
        return false;
    }
    ComPtr<IUnknown> item;
    ULONG fetched = 0;
    while (decoders->Next(1, item.ReleaseAndGetAddressOf(), &fetched) == S_OK && fetched == 1) {
        ComPtr<IWICBitmapDecoderInfo> info;
        if (SUCCEEDED(item.As(&info)) && !IsBmpDecoder(info.Get()) && visit(info.Get())) {
            return true;
        }
    }
    return false;
}

std::vector<DecoderFilter> EnumerateFilters() {
    std::vector<DecoderFilter> filters;
    CComScope com;
    ComPtr<IWICImagingFactory> factory = CreateFactory();
    if (!factory) {
        return filters;
    }
    ForEachDecoder(factory.Get(), [&filters](IWICBitmapDecoderInfo* info) {
        DecoderFilter entry;
        entry.filter = FilterFromExtensions(
            ReadWicString([info](UINT size, WCHAR* text, UINT* actual) { return info->GetFileExtensions(size, text, actual); }));
        entry.description = ToAnsi(
            ReadWicString([info](UINT size, WCHAR* text, UINT* actual) { return info->GetFriendlyName(size, text, actual); }));
        if (!entry.filter.empty()) {
            filters.push_back(std::move(entry));
        }
        return false;
    });
    return filters;
}

}  // namespace

// Read once the system's codecs can be listed; callers on several threads at once each get
// their own copy, read under the lock.
std::vector<DecoderFilter> InstalledDecoderFilters() {
    static std::mutex lock;
    static std::vector<DecoderFilter> filters;
    const std::lock_guard held(lock);
    if (filters.empty()) {
        filters = EnumerateFilters();
    }
    return filters;
}

std::string FilterFromExtensions(const std::wstring& extensions) {
    std::string filter;
    size_t start = 0;
    while (start <= extensions.size()) {
        size_t end = extensions.find_first_of(L",;", start);
        if (end == std::wstring::npos) {
            end = extensions.size();
        }
        std::wstring piece = extensions.substr(start, end - start);
        while (!piece.empty() && (piece.front() == L' ' || piece.front() == L'*' || piece.front() == L'.')) {
            piece.erase(0, 1);
        }
        while (!piece.empty() && piece.back() == L' ') {
            piece.pop_back();
        }
        if (!piece.empty()) {
            filter += (filter.empty() ? "*." : ";*.") + ToAnsi(piece);
        }
        start = end + 1;
    }
    return filter;
}

bool MatchesInstalledDecoder(const uint8_t* header, size_t size) {
    if (header == nullptr || size == 0) {
        return false;
    }
    CComScope com;
    ComPtr<IWICImagingFactory> factory = CreateFactory();
    ComPtr<IWICStream> stream;
    if (!factory || FAILED(factory->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(header), static_cast<DWORD>(size)))) {
        return false;
    }
    return ForEachDecoder(factory.Get(), [&stream](IWICBitmapDecoderInfo* info) {
        BOOL matches = FALSE;
        const LARGE_INTEGER start = {};
        return SUCCEEDED(stream->Seek(start, STREAM_SEEK_SET, nullptr)) &&
               SUCCEEDED(info->MatchesPattern(stream.Get(), &matches)) && matches;
    });
}

bool IsPictureHeader(const uint8_t* header, size_t size) {
    if (header == nullptr || size == 0) {
        return false;
    }
    // Formats every WIC has a decoder for are known without asking it; BMP is the viewer's own.
    switch (FormatOf(header, size)) {
        case PictureFormat::kNone:
            return MatchesInstalledDecoder(header, size);
        case PictureFormat::kBmp:
            return false;
        default:
            return true;
    }
}

}  // namespace ixwic
