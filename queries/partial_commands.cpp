#include "queries/partial_commands.h"

#include <new>

#include "queries/node_display.h"
#include "queries/node_path.h"
#include "shell/command_reply.h"
#include "shell/output.h"
#include "shell/tree_commands.h"
#include "solver/split_solve.h"
#include "tree/line_tree.h"
#include "tree/tree.h"

namespace {

// The split solve re-creates stores and moves the iteration counter: never
// under a running solver.
f64 solve_point(const Tokens& tokens) {
    const NodeRef ref = resolve_node_path(tokens[1]);
    require_decision_point(ref);
    refuse_while_solving();
    try {
        return solve_partial_core(*g_tree, ref.node->index, ref.turn_card, ref.river_card);
    } catch (const std::bad_alloc&) {
        throw_command_error("out of memory");
    }
}

}  // namespace

void cmd_solve_partial(const Tokens& tokens) {
    solve_point(tokens);
    print_ok();
}

void cmd_explo_partial(const Tokens& tokens) {
    out_printf("%.6g\n", solve_point(tokens));
}
