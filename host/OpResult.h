#pragma once
// What an operation of a part came to: the key commands turn a failure into its message in
// one place (IViewerHost::ReportIfFailed), and a size-judged pass reads whether a file went. Portable.
#include <cstdint>

struct OpResult {
    enum class Kind {
        kDone,         // it happened
        kNothingToDo,  // a directory or nothing was selected, or nothing needed doing
        kRefused,      // it was not allowed, and the user has been told why
        kFailed,       // the system refused it; `error` names why when it is known
    };
    Kind kind = Kind::kDone;
    uint32_t error = 0;  // the system's error code of a failure; 0 when none is known

    static constexpr OpResult Done() { return {Kind::kDone, 0}; }
    static constexpr OpResult NothingToDo() { return {Kind::kNothingToDo, 0}; }
    static constexpr OpResult Refused() { return {Kind::kRefused, 0}; }
    static constexpr OpResult Failed(uint32_t error = 0) { return {Kind::kFailed, error}; }
    bool IsDone() const { return kind == Kind::kDone; }
    bool IsFailure() const { return kind == Kind::kFailed; }
};
