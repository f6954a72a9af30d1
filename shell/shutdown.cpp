#include "shell/shutdown.h"

#include <cstdio>
#include <cstdlib>

#include "shell/output.h"

void shutdown_and_exit(int code) {
    flush_deferred_output();
    std::fflush(stdout);
    std::exit(code);
}
