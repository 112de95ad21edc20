#include "image/PluginFilter.h"

#include <algorithm>
#include <string>

namespace {

bool IsFilterLeadByte(unsigned char c) {
    return (c >= 0x80 && c <= 0x9F) || c >= 0xE0;
}

std::string UpperCopy(std::string_view text) {
    std::string copy(text);
    UpperAsciiInPlace(copy.data(), copy.size());
    return copy;
}

bool PieceMatches(std::string_view piece, std::string_view ext) {
    return piece.size() >= 2 && piece.substr(2) == ext;
}

}  // namespace

void UpperAsciiInPlace(char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (text[i] >= 'a' && text[i] <= 'z') {
            text[i] = static_cast<char>(text[i] - 'a' + 'A');
        }
    }
}

bool FilterMatchesExtension(std::string_view filter, std::string_view ext) {
    const std::string upperFilter = UpperCopy(filter);
    const std::string upperExt = UpperCopy(ext);
    const std::string_view f = upperFilter;
    size_t start = 0;
    for (size_t i = 0; i < f.size(); ++i) {
        if (IsFilterLeadByte(static_cast<unsigned char>(f[i]))) {
            ++i;  // its trail byte is part of the same character
        } else if (f[i] == ';') {
            if (PieceMatches(f.substr(start, i - start), upperExt)) {
                return true;
            }
            start = i + 1;
        }
    }
    return PieceMatches(f.substr(std::min(start, f.size())), upperExt);
}
