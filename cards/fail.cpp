#include "cards/fail.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "shell/output.h"

// _Exit rather than exit: other threads may still run, and static destructors
// must not race them.
void fail_with_line(const char* line) {
    flush_pending_output_locked();
    {
        std::lock_guard<std::mutex> lock(g_output_mutex);
        std::fputs(line, stdout);
        std::fflush(stdout);
    }
    std::_Exit(1);
}

void fail(const char* message) {
    char line[256];
    if (message) {
        std::snprintf(line, sizeof line, "fail (%s)\n", message);
    } else {
        std::snprintf(line, sizeof line, "fail\n");
    }
    fail_with_line(line);
}
