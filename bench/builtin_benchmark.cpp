// The solver's built-in benchmark (solver/builtin_benchmark.h) as a program:
// builds the benchmark tree, prints its size lines, solves it and prints one
// line per measurement, then exits when the solver stops.
//
//   builtin_benchmark [--seconds N] [--iterations N] [--threads N]
//
// Without a bound the solve runs to the solver's default target or its
// iteration cap. The solver's own status lines are not shown: only the
// benchmark's lines reach standard output.
#include "solver/builtin_benchmark.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cards/evaluator.h"
#include "cards/hand_tables.h"
#include "shell/settings.h"
#include "solver/solver_thread.h"
#include "solver/work_items.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: builtin_benchmark [--seconds N] [--iterations N] [--threads N]\n");
    return 2;
}

bool read_count(const char* text, int& out) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > 1000000000) return false;
    out = static_cast<int>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    BenchmarkLimits limits;
    int threads = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) return usage();
        int value = 0;
        if (!read_count(argv[++i], value)) return usage();
        if (option == "--seconds") {
            limits.seconds = value;
        } else if (option == "--iterations") {
            limits.iterations = value;
        } else if (option == "--threads") {
            threads = value;
        } else {
            return usage();
        }
    }
    // The benchmark's lines go to the standard output as it was; the solver
    // thread's own lines go nowhere.
    std::FILE* out = fdopen(dup(STDOUT_FILENO), "w");
    if (!out || !std::freopen("/dev/null", "w", stdout)) return 1;

    set_solver_float_mode();
    init_eval_tables();
    init_hand_tables();
    if (threads > 0) g_thread_count = threads;
    const int result = run_benchmark(limits, out);
    stop_solver_for_exit();
    std::fclose(out);
    return result;
}
