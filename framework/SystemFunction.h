#pragma once
// A function of a system library that the program does not link: shell32 and comdlg32
// serve only prompts and drops, and are loaded at the first call that needs one, not with
// the program, whose start they and the libraries they pull in would delay (by some 5 ms
// under Wine).
#include <windows.h>

namespace fw {

// The function `name` of `library`, which stays loaded for the life of the process; null
// when the library or the function is missing.
template <typename Function>
Function SystemFunction(const wchar_t* library, const char* name) {
    const HMODULE module = ::LoadLibraryW(library);
    return module != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)))
                             : nullptr;
}

}  // namespace fw
