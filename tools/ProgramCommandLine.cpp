#include "tools/ProgramCommandLine.h"

#include "filelist/PathUtil.h"

std::optional<std::string> DirectoryWindowCommandLine(std::string_view program, std::string_view dir) {
    if (dir.find('"') != std::string_view::npos) {
        return std::nullopt;
    }
    std::string line(program);
    line += ' ';
    if (dir.find_first_of(" \t") == std::string_view::npos) {
        line += dir;
        return line;
    }
    std::string quoted(dir);
    for (std::string shorter = RemoveTrailingBackslash(quoted); shorter != quoted;
         shorter = RemoveTrailingBackslash(quoted)) {
        quoted = std::move(shorter);
    }
    line += '"';
    line += quoted;
    line += '"';
    return line;
}

std::string UrlCommandLine(std::string_view program, std::string_view address) {
    std::string line(program);
    line += ' ';
    line += address;
    return line;
}
