#include "cards/fail.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/console_output.h"

namespace {

// _Exit rather than exit: other threads may still run, and static destructors
// must not race them.
[[noreturn]] void print_and_exit(const char* prefix, const char* text, const char* suffix) {
    flush_pending_output_locked();
    {
        std::lock_guard<std::mutex> lock(g_output_mutex);
        std::printf("%s%s%s\n", prefix, text, suffix);
        std::fflush(stdout);
    }
    std::_Exit(1);
}

}  // namespace

void fail(const char* message) {
    if (message) print_and_exit("fail (", message, ")");
    print_and_exit("fail", "", "");
}

void fail_with_line(const char* line) {
    print_and_exit("", line, "");
}
