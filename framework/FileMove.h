#pragma once
// Moving a file so that it ends up in exactly one place: at its new path, or, when the
// move fails, where it was and nowhere else.
#include <string>

namespace fw {

// Moves the entry at `from` to `to`, never replacing an existing entry. Within a volume
// the entry (a file or a folder) is renamed. Across volumes a file is copied (never onto
// an existing file) and then deleted at `from`; when it cannot be deleted there (read-only,
// in use), the copy is removed again and the move fails; `copyLeft`, when given, is set when
// even that fails, so that the file is in both places. A folder is not moved across
// volumes. True when the entry is at `to` and gone from `from`; on false the system's
// error code tells why.
bool MoveFileNoReplace(const std::wstring& from, const std::wstring& to, bool* copyLeft = nullptr);

}  // namespace fw
