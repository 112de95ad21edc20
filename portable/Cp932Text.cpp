#include "portable/Cp932Text.h"

size_t FindLastChar(std::string_view s, char ch) {
    size_t found = std::string_view::npos;
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (IsLeadByte(c) && i + 1 < s.size()) {
            ++i;  // the trail byte belongs to this character
        } else if (s[i] == ch) {
            found = i;
        }
    }
    return found;
}

std::string UpperCaseAscii(std::string_view s) {
    std::string upper(s);
    for (size_t i = 0; i < upper.size(); ++i) {
        const auto c = static_cast<unsigned char>(upper[i]);
        if (IsLeadByte(c) && i + 1 < upper.size()) {
            ++i;
        } else if (c >= 'a' && c <= 'z') {
            upper[i] = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

void UpperAsciiBytesInPlace(char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (text[i] >= 'a' && text[i] <= 'z') {
            text[i] = static_cast<char>(text[i] - 'a' + 'A');
        }
    }
}
