#include "image/PluginFilter.h"

#include <algorithm>
#include <string>

#include "portable/Cp932Text.h"

namespace {

std::string UpperCopy(std::string_view text) {
    std::string copy(text);
    UpperAsciiBytesInPlace(copy.data(), copy.size());
    return copy;
}

bool PieceMatches(std::string_view piece, std::string_view ext) {
    return piece.size() >= 2 && piece.substr(2) == ext;
}

}  // namespace

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
