#pragma once
// The walk of a tree pass over the folders below the current one, depth first in the
// list's order: a sub-directory is walked whole before the entry after it. The walk keeps
// its own stack of the folders it is in, so a tree of any depth costs memory in
// proportion to its depth and nothing of the thread's stack. What happens at each entry
// is the steps' to say.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "filelist/ListEntry.h"

class ITreeWalkSteps {
public:
    enum class Outcome {
        kStays,  // the entry is still there
        kGone,   // the walk took it out of its folder (deleted, moved or removed)
    };
    using Entries = std::vector<std::unique_ptr<ListEntry>>;

    // Asked before each entry and before a folder walked through is left: false ends the
    // walk where it is, leaving every folder it is in.
    virtual bool GoOn() = 0;
    // A picture at `path`.
    virtual Outcome Picture(const std::wstring& path, const ListEntry& entry) = 0;
    // The entries of the sub-directory at `path`, to be walked; none when it is passed
    // over as it is.
    virtual std::optional<Entries> Enter(const std::wstring& path, const ListEntry& entry) = 0;
    // The walk went through the whole sub-directory at `path` of `parent`. `emptied` when
    // every entry it listed went and there was at least one: the walk itself emptied it.
    virtual Outcome Leave(const std::wstring& parent, const std::wstring& path, bool emptied) = 0;

protected:
    ~ITreeWalkSteps() = default;
};

// Walks `top`, whose entries are `entries`, and every sub-directory the steps enter.
void WalkTree(const std::wstring& top, const std::vector<const ListEntry*>& entries, ITreeWalkSteps& steps);
