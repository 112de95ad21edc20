#pragma once
// Where a program named on a command line is found. The system's own search, when a
// program is started by a bare name, looks in the working directory too, which may be any
// folder the viewer was started from (a download's, with a planted "explorer.exe"): here
// the same order is searched with the working directory left out.
#include <optional>
#include <string>
#include <string_view>

namespace fw {

// The full path of the program `name` stands for: a full path ("C:\tools\x.exe",
// "\\server\share\x.exe") as it is; a bare name in the executable's folder, the system
// folder, the Windows folder and the absolute folders of PATH, in this order. ".exe" is
// added to a name without an extension, as the system adds it. None when no such file is
// there, and for a relative path with folders in it, which names a place below the
// working directory.
std::optional<std::wstring> FindProgram(std::wstring_view name);

// The command line with its program replaced by the quoted full path FindProgram gives,
// so that the system looks nowhere else. The program ends as the system ends it: at the
// closing quotation mark of a quoted one, else at the first blank or tab after which a
// found program stands ("C:\Program Files\x\y.exe /a"). None when no program is found.
std::optional<std::wstring> WithFoundProgram(std::wstring_view commandLine);

}  // namespace fw
