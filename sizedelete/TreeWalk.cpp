#include "sizedelete/TreeWalk.h"

#include <utility>

#include "filelist/EntryPath.h"
#include "portable/PathUtil.h"

namespace {

// A folder the walk is in, and how far it has come through it. Its path is not kept: the
// walk holds the path of the deepest folder only, and every folder above it is a front
// part of that (a path thousands of folders deep, kept whole for each, would take memory
// in proportion to the square of the depth).
struct Level {
    ITreeWalkSteps::Entries owned;  // a sub-directory's entries (the top's belong to the caller)
    std::vector<const ListEntry*> entries;
    size_t next = 0;
    bool anyStays = false;
    bool anyGone = false;
    // Where the parent's path stands in this folder's: from `parentStart` (past the exact
    // form's prefix, when the name of this folder was the first to need it), this long.
    size_t parentStart = 0;
    size_t parentLength = 0;
};

// EntryPath(dir, name), looking at the new name only when every name in `dir` was looked
// at already (`dir` is one the walk built, or one EntryPath leaves as it is): scanning
// the whole path for each entry would cost a deep tree the square of its depth.
std::wstring ChildPath(const std::wstring& dir, bool dirChecked, const std::wstring& name) {
    return dirChecked && !NameNeedsExactForm(name) ? AddTrailingBackslash(dir) + name : EntryPath(dir, name);
}

void Count(ITreeWalkSteps::Outcome outcome, Level& level) {
    (outcome == ITreeWalkSteps::Outcome::kGone ? level.anyGone : level.anyStays) = true;
}

}  // namespace

void WalkTree(const std::wstring& top, const std::vector<const ListEntry*>& entries, ITreeWalkSteps& steps) {
    std::vector<Level> levels;
    levels.push_back(Level{{}, entries});
    std::wstring dir = top;  // the path of the deepest folder the walk is in
    const bool topChecked = SystemPath(top) == top;
    while (steps.GoOn()) {
        Level& level = levels.back();
        if (level.next == level.entries.size()) {
            if (levels.size() == 1) {
                return;
            }
            const Level done = std::move(levels.back());
            levels.pop_back();
            std::wstring parent = dir.substr(done.parentStart, done.parentLength);
            const bool emptied = done.anyGone && !done.anyStays;
            Count(steps.Leave(parent, dir, emptied), levels.back());
            dir = std::move(parent);
            continue;
        }
        const ListEntry& entry = *level.entries[level.next++];
        std::wstring path = ChildPath(dir, levels.size() > 1 || topChecked, entry.name);
        if (!entry.IsDirectory()) {
            Count(steps.Picture(path, entry), level);
            continue;
        }
        std::optional<ITreeWalkSteps::Entries> listed = steps.Enter(path, entry);
        if (!listed) {
            level.anyStays = true;
            continue;
        }
        Level sub;
        sub.owned = std::move(*listed);
        for (const auto& owned : sub.owned) {
            sub.entries.push_back(owned.get());
        }
        sub.parentStart = path.size() - AddTrailingBackslash(dir).size() - entry.name.size();
        sub.parentLength = dir.size();
        dir = std::move(path);
        levels.push_back(std::move(sub));  // `level` is not used past here
    }
}
