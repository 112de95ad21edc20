#include "regdirs/DirKeys.h"

std::string MakeDirKey(int k) {
    return "Dir" + IntToText(k);
}

std::string IntToText(int value) {
    return std::to_string(value);
}

int ParseRegistrationCount(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kMaxRegistrations) {
            value = kMaxRegistrations;  // the digits that follow cannot make it smaller
        }
    }
    return negative ? 0 : static_cast<int>(value);
}
