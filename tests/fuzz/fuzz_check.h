// A broken invariant ends the fuzz run like a crash would, with a line that says which one.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzz {

inline void check(bool holds, const char* invariant) {
    if (!holds) {
        std::fprintf(stderr, "invariant broken: %s\n", invariant);
        std::abort();
    }
}

} // namespace fuzz
