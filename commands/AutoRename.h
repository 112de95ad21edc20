#pragma once
// Names a moved file takes when its own name is taken in the move directory.
#include <string>
#include <string_view>

// Candidates tried by a move with renaming on.
constexpr int kRenameCandidates = 10000;

// The i-th new name (0 <= i < kRenameCandidates) for a file named `name`: the name
// without its dot and extension, "_", four digits, ".", the extension upper-cased
// ("a.jpg" -> "a_0000.JPG"). A name without an extension gets "base_0000.".

// The same for a name in UTF-16.
std::wstring RenamedFileName(std::wstring_view name, int i);
