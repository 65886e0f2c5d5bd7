#pragma once

#include <cstdio>
#include <string>

namespace qv {

// How a watcher's run ended: its exit status, and whether it captured or replayed anything (only
// then may it write ipmac.dat).
struct RunResult {
    int status = 0;
    bool ran = false;
};

// Says what a save had to say, if anything.
inline void reportNote(const std::string& note, std::FILE* errors) {
    if (!note.empty()) {
        std::fprintf(errors, "quorvane-watch: %s\n", note.c_str());
    }
}

} // namespace qv
