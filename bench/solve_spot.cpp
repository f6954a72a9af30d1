// Solves one spot script in-process, as the program would run it from
// standard input, after `set_threads N`, and ends with one summary line:
//   spot iterations <n> pot <pot> exploitability <value at the last results>
// bench/run_bench.sh runs it under /usr/bin/time -v for the shipped spots.
//
//   solve_spot <script> <threads>
#include <cstdio>
#include <fstream>
#include <string>

#include "cards/evaluator.h"
#include "cards/hand_tables.h"
#include "shell/dispatcher.h"
#include "shell/output.h"
#include "solver/solver_thread.h"
#include "solver/work_items.h"
#include "tree/tree.h"

namespace {

void run_line(const std::string& line) {
    run_command_line(line);
    flush_deferred_output();
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: solve_spot <script> <threads>\n");
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
    for (std::string line; std::getline(script, line);) run_line(line);
    stop_solver_for_exit();
    if (!g_tree) return 1;
    std::printf("spot iterations %u pot %.6f exploitability %.6f\n", g_tree->iteration, g_tree->pot,
                g_tree->exploitability);
    return 0;
}
