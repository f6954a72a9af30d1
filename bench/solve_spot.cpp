// Solves one spot script in-process, as the program would run it from
// standard input, after `set_threads N` (and `ai6_set_compression L` when a
// level is given), and ends with one summary line:
//   spot iterations <n> pot <pot> exploitability <value at the last results>
//        ev_oop <EV OOP at the end, half the pot included>
//        level <compression level in use> arena_mb <arena memory at the end>
// bench/run_bench.sh runs it under /usr/bin/time -v for the shipped spots.
//
//   solve_spot <script> <threads> [level]
#include <cstdio>
#include <fstream>
#include <string>

#include "cards/evaluator.h"
#include "cards/hand_tables.h"
#include "shell/dispatcher.h"
#include "shell/output.h"
#include "shell/settings.h"
#include "solver/results.h"
#include "solver/solver_thread.h"
#include "solver/work_items.h"
#include "storage/block_arena.h"
#include "tree/tree.h"

namespace {

void run_line(const std::string& line) {
    run_command_line(line);
    flush_deferred_output();
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: solve_spot <script> <threads> [level]\n");
        return 2;
    }
    std::ifstream script(argv[1]);
    if (!script) {
        std::fprintf(stderr, "solve_spot: cannot read %s\n", argv[1]);
        return 2;
    }
    set_solver_float_mode();
    init_eval_tables();
    init_hand_tables();
    run_line(std::string("set_threads ") + argv[2]);
    if (argc == 4) run_line(std::string("ai6_set_compression ") + argv[3]);
    for (std::string line; std::getline(script, line);) run_line(line);
    stop_solver_for_exit();
    if (!g_tree) return 1;
    // The results of the script's last calc_results, measured again.
    const f64 ev_oop = prepare_results().ev_oop + 0.5 * g_tree->pot;
    std::printf(
        "spot iterations %u pot %.6f exploitability %.6f ev_oop %.6f level %d arena_mb %.1f\n",
        g_tree->iteration, g_tree->pot, g_tree->exploitability, ev_oop, g_actual_compression,
        static_cast<f64>(g_stat_arena_bytes.load()) / 1048576.0);
    return 0;
}
