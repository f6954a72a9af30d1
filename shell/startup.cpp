#include "shell/startup.h"

#include <unistd.h>
#include <xmmintrin.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "cards/evaluator.h"
#include "cards/hand_arrays.h"
#include "cards/hand_tables.h"
#include "platform/clock.h"
#include "platform/cpu_features.h"
#include "platform/files.h"
#include "shell/build_info.h"
#include "shell/command_line.h"
#include "shell/dispatcher.h"
#include "shell/line_reader.h"
#include "shell/output.h"
#include "shell/redirection.h"
#include "shell/shutdown.h"

i64 g_start_time = 0;

namespace {

// Flush-to-zero (0x8000) and denormals-are-zero (0x0040): the command thread
// only; no other thread changes its mode.
constexpr unsigned kFlushToZeroAndDenormalsAreZero = 0x8040;

void enable_flush_to_zero() {
    _mm_setcsr(_mm_getcsr() | kFlushToZeroAndDenormalsAreZero);
}

// Write errors of standard output are not tested: a reader that went away
// must not end the process, which goes on reading commands until the end of
// its input.
void ignore_broken_pipe() {
    std::signal(SIGPIPE, SIG_IGN);
}

// __DATE__ pads a one-digit day with a blank ("Jan  5 2025"); the banner
// shows "Jan 5 2025".
std::string build_date_text() {
    std::string date = __DATE__;
    if (date.size() > 4 && date[4] == ' ') date.erase(4, 1);
    return date + ", " + __TIME__;
}

void print_banner() {
    std::printf("%s (Quillon) build %s (%s) \n", kProductName, kBuildString,
                build_date_text().c_str());
    std::fflush(stdout);
}

// Runs exactly as the command `load_script` with that one argument would;
// its own failure stays in the deferred output until the next flush.
void run_startup_script(const std::string& name) {
    if (name.empty()) return;
    if (!file_exists_not_dir(name)) {
        std::printf("ERROR: can't find file '%s'\n", name.c_str());
        shutdown_and_exit(1);
    }
    dispatch_command({"load_script", name});
}

// A last line without its newline is not run: a driver that dies mid-line
// must not have half a command executed.
void run_standard_input() {
    LineReader reader(STDIN_FILENO);
    std::string line;
    bool terminated = false;
    for (;;) {
        const LineRead read = reader.next(line, terminated);
        if (read == LineRead::end || (read == LineRead::line && !terminated)) return;
        run_read_line(read, line);
        flush_deferred_output();
        std::fflush(stdout);
    }
}

}  // namespace

int run_program(int argc, char** argv) {
    enable_flush_to_zero();
    ignore_broken_pipe();
    if (!cpu_features().avx) {
        std::fputs("Error: AVX-compatible CPU is required.\n", stderr);
        return 1;
    }
    std::optional<std::string> script = parse_command_line(argc, argv);
    if (!script) return 1;
    throw_on_failed_allocation_here();
    init_eval_tables();
    g_start_time = wall_clock_100ns();
    remember_console_output();
    print_banner();
    init_hand_tables();
    run_startup_script(*script);
    run_standard_input();
    shutdown_and_exit(0);
}
