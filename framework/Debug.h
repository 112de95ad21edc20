#pragma once
// Programmer errors stop the program in every build: a broken invariant must not
// go on to touch a user's files.
#include <cstdio>
#include <cstdlib>

#define FW_ASSERT(cond)                                                                   \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "assertion failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)
