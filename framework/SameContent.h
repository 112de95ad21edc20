#pragma once
// Whether two files hold the same bytes: the judgement of a duplicate.
#include <string>

namespace fw {

// True when the files at `a` and `b` are two files (not one file under two names) of the
// same size whose bytes are all the same. Each is read once at most, side by side, and only
// as far as the first difference. A file that cannot be opened or read to its end is no
// duplicate of anything.
bool HoldSameBytes(const std::wstring& a, const std::wstring& b);

}  // namespace fw
