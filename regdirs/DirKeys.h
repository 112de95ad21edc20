#pragma once
// The keys and numbers of the registered directories in the settings file. Portable: no
// <windows.h>.
#include <string>
#include <string_view>

// The most registrations a count is taken to stand for: a larger count (a damaged file)
// would otherwise make the jump list allocate and read without bound.
constexpr int kMaxRegistrations = 10000;

// "Dir" followed by k in decimal: the key of registration k in both sections.
std::string MakeDirKey(int k);
// A number's decimal text, without leading zeros or a plus sign.
std::string IntToText(int value);
// The number of registrations a count text stands for, read as atoi reads it (leading
// blanks, an optional sign, the digits up to the first other character): 0 when it is
// not greater than 0, at most kMaxRegistrations.
int ParseRegistrationCount(std::string_view text);
