#include "cards/fail.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/console_output.h"

// _Exit rather than exit: other threads may still run, and static destructors
// must not race them.
void fail(const char* message) {
    flush_pending_output_locked();
    {
        std::lock_guard<std::mutex> lock(g_output_mutex);
        if (message) {
            std::printf("fail (%s)\n", message);
        } else {
            std::printf("fail\n");
        }
        std::fflush(stdout);
    }
    std::_Exit(1);
}
