#pragma once
// The arguments a program was started with, taken from its whole command line in UTF-16
// (the system keeps every name exactly there, whatever the code page). Portable.
#include <string>
#include <string_view>
#include <vector>

// The arguments after the program's name. The name is skipped as the system skips it: up
// to the next quotation mark when it begins with one, else up to the first blank or tab.
// The arguments are split for paths: blanks and tabs outside quotation marks separate them,
// and a quotation mark only opens or closes a quoted stretch (`"D:\my photos"\a.jpg` is
// one argument). A backslash is always part of the argument: no path holds a quotation
// mark, so none escapes one, and `"D:\photos\"` is the folder D:\photos\ (where the
// system's argument splitter would take the mark for a character of the name). A doubled
// backslash before a closing mark, written for that splitter, stays doubled; the path
// resolution takes it as one separator.
std::vector<std::wstring> CommandLineArguments(std::wstring_view commandLine);
