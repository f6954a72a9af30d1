// The state that query tests share through the shell's globals, put back
// between tests: a test that ends early may leave the solver running, so it
// is stopped before the tree goes.
#pragma once

#include "shell/output.h"
#include "shell/settings.h"
#include "shell_test_support.h"
#include "tree/line_tree.h"

inline void reset_query_state() {
    run_line("stop");
    run_line("wait_for_solver");
    run_line("free_tree");
    reset_line_tree();
    g_ranges[0].clear();
    g_ranges[1].clear();
    g_flop_mask = g_turn_mask = g_river_mask = 0;
    g_isomorphism_by_street[1] = 1;
    g_isomorphism_by_street[2] = 0;
    g_output_buffer.clear();
}
