#pragma once
// The command lines that hand the user over to the file manager and the web browser.
// Portable: the caller starts the program.
#include <optional>
#include <string>
#include <string_view>

// A program setting as it starts a command line. The setting is the program's path,
// perhaps followed by arguments of its own: the path ends with the first name ending in
// ".exe", ".com", ".bat" or ".cmd" (any letter case) that a blank, a tab or the end of
// the setting follows. A path holding a blank goes in quotation marks (blanks before it
// dropped), so that the system does not take its first words for a program. A setting
// already quoted, or without such a name, stays as it is.
std::wstring ProgramOnCommandLine(std::wstring_view program);

// The file manager on a directory: the program, a blank, and the directory exactly as
// held. A directory with a blank, a tab, a comma or a semicolon in it (where a program
// may split it) goes in quotation marks, without its final backslashes (which would
// escape the closing mark for most programs), so that it stays one argument. A directory
// holding a quotation mark gives nothing: it cannot be put on a command line as one
// argument. Paths are UTF-16, exactly as the program is started.
std::optional<std::wstring> DirectoryWindowCommandLine(std::wstring_view program, std::wstring_view dir);

// The web browser on an address already checked by WebAddressFrom: the program, a
// blank, and the address; in quotation marks, with its final backslashes doubled, when it
// holds a comma or a semicolon, so that it stays one argument.
std::wstring UrlCommandLine(std::wstring_view program, std::wstring_view address);

// Whether an argument may go to the program as the command lines above put it. A batch
// program (its path ends in ".bat" or ".cmd") is run by cmd, which acts on & | < > ^ % and
// a quotation mark even where they stand in quotation marks: an address or a folder
// holding one of them would run commands of its own. Every other program takes anything.
bool ProgramTakesArgument(std::wstring_view program, std::wstring_view argument);
