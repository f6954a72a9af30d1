// Forgetting and split solves on a solved spot. Runs the spot script
// in-process (it builds, solves and waits), then prints, one figure a line:
//   the peak and the current resident memory after the solve,
//   the resident memory after `forget rivers`,
//   the seconds of one on-demand river split solve (show_strategy on a river
//   node of the forgotten street),
//   the seconds of `solve_all_splits rivers` at each thread count given
//   (forgetting the rivers again before each), with the exploitability after,
//   the resident memory after `forget turns` and the seconds of one
//   on-demand turn split solve.
// Split solves run to the targets of `set_recalc_accuracy` in the script, 0
// (1000 iterations) by default.
//
//   forget_spot <script> <solve threads> <river path> <turn path> [split threads...]
#include <omp.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "cards/evaluator.h"
#include "cards/hand_tables.h"
#include "platform/memory_status.h"
#include "shell/dispatcher.h"
#include "shell/output.h"
#include "solver/solver_thread.h"
#include "solver/work_items.h"
#include "tree/tree.h"

namespace {

// Runs one line; its output is dropped unless `show` is set.
void run_line(const std::string& line, bool show = false) {
    g_output_buffer.clear();
    run_command_line(line);
    if (show) std::fputs(g_output_buffer.c_str(), stdout);
    g_output_buffer.clear();
    std::fflush(stdout);
}

f64 seconds_of(const std::string& line) {
    const auto start = std::chrono::steady_clock::now();
    run_line(line);
    return std::chrono::duration<f64>(std::chrono::steady_clock::now() - start).count();
}

f64 mb(u64 bytes) {
    return static_cast<f64>(bytes) / (1 << 20);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: forget_spot <script> <solve threads> <river path> <turn path> "
                     "[split threads...]\n");
        return 2;
    }
    std::ifstream script(argv[1]);
    if (!script) {
        std::fprintf(stderr, "forget_spot: cannot read %s\n", argv[1]);
        return 2;
    }
    const std::string river = argv[3];
    const std::string turn = argv[4];
    std::vector<int> split_threads;
    for (int i = 5; i < argc; ++i) split_threads.push_back(std::atoi(argv[i]));
    if (split_threads.empty()) split_threads = {8, 2};

    set_solver_float_mode();
    init_eval_tables();
    init_hand_tables();
    run_line(std::string("set_threads ") + argv[2]);
    const auto start = std::chrono::steady_clock::now();
    for (std::string line; std::getline(script, line);) run_line(line);
    stop_solver_for_exit();
    if (!g_tree) return 1;
    const f64 solve_seconds =
        std::chrono::duration<f64>(std::chrono::steady_clock::now() - start).count();
    std::printf("solve: %u iterations, %.1f s, exploitability %.4f\n", g_tree->iteration,
                solve_seconds, g_tree->exploitability);
    std::printf("peak resident after the solve: %.0f MB\n", mb(peak_resident_bytes()));
    std::printf("resident after the solve: %.0f MB (river data %.0f MB)\n",
                mb(current_resident_bytes()), mb(g_tree->size_stats.data_sizes[3]));

    const f64 forget_seconds = seconds_of("forget rivers");
    std::printf("resident after forget rivers: %.0f MB (%.2f s)\n", mb(current_resident_bytes()),
                forget_seconds);
    std::printf("on-demand river split solve: %.3f s\n", seconds_of("show_strategy " + river));

    for (const int threads : split_threads) {
        run_line("forget rivers");
        omp_set_num_threads(threads);
        const f64 seconds = seconds_of("solve_all_splits rivers");
        run_line("calc_results");
        std::printf("solve_all_splits rivers on %d threads: %.1f s, exploitability %.4f\n", threads,
                    seconds, g_tree->exploitability);
    }
    omp_set_num_threads(omp_get_num_procs());

    const f64 turns_seconds = seconds_of("forget turns");
    std::printf("resident after forget turns: %.0f MB (%.2f s)\n", mb(current_resident_bytes()),
                turns_seconds);
    std::printf("on-demand turn split solve: %.3f s\n", seconds_of("show_strategy " + turn));
    return 0;
}
