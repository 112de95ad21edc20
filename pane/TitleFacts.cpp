#include "pane/TitleFacts.h"

namespace {

constexpr wchar_t kGap[] = L"  ";
constexpr wchar_t kTimes = L'\u00D7';

// `tenths` / 10 with one decimal: "7.2".
std::wstring OneDecimal(uint64_t tenths) {
    return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10);
}

// `bytes` in units of 2^shift, rounded to tenths.
uint64_t TenthsOf(uint64_t bytes, int shift) {
    const uint64_t unit = uint64_t{1} << shift;
    // Whole units and the rest apart: bytes * 10 would overflow near 2^64.
    return (bytes >> shift) * 10 + ((bytes & (unit - 1)) * 10 + unit / 2) / unit;
}

}  // namespace

std::wstring FileSizeText(uint64_t bytes) {
    if (bytes < 1024) {
        return std::to_wstring(bytes) + L" B";
    }
    // Below a megabyte whole kilobytes; 1023.5 KB and more is 1.0 MB.
    if (bytes < (uint64_t{1} << 20) - 512) {
        return std::to_wstring((bytes + 512) >> 10) + L" KB";
    }
    const uint64_t megabyteTenths = TenthsOf(bytes, 20);
    if (megabyteTenths < 10240) {
        return OneDecimal(megabyteTenths) + L" MB";
    }
    return OneDecimal(TenthsOf(bytes, 30)) + L" GB";
}

std::wstring TitleFactsText(const TitleFacts& facts) {
    std::wstring text = kGap + facts.name;
    if (facts.width && facts.height) {
        text += kGap + std::to_wstring(*facts.width) + kTimes + std::to_wstring(*facts.height);
    }
    if (facts.bytes) {
        text += kGap + FileSizeText(*facts.bytes);
    }
    if (facts.count > 0) {
        text += kGap + std::to_wstring(facts.place) + L"/" + std::to_wstring(facts.count);
    }
    return text;
}
