#include "commands/AutoRename.h"

#include <cstdio>

#include "filelist/PathUtil.h"

std::string RenamedFileName(std::string_view name, int i) {
    const std::string ext = GetExtensionUpper(name);
    // GetExtensionUpper finds the last dot; without one the whole name is the base.
    const size_t cut = ext.size() + 1;
    const bool hasDot = name.size() >= cut && name[name.size() - cut] == '.';
    const std::string base(hasDot ? name.substr(0, name.size() - cut) : name);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%04d.", i % kRenameCandidates);
    return base + suffix + ext;
}
