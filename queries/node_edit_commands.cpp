#include "queries/node_edit_commands.h"

#include <vector>

#include "cards/hand_tables.h"
#include "queries/node_display.h"
#include "queries/node_editing.h"
#include "queries/node_path.h"
#include "shell/command_reply.h"
#include "shell/number_reading.h"
#include "shell/settings.h"
#include "solver/arithmetic_limits.h"
#include "tree/line_tree.h"

namespace {

constexpr int kFirstValueToken = 3;
// The boosts a node accepts, both ends included.
constexpr f64 kLowestBoost = -0.99;
constexpr f64 kHighestBoost = 1.0;

NodeRef decision_point(const std::string& path) {
    const NodeRef ref = resolve_node_path(path);
    require_decision_point(ref);
    return ref;
}

void lock_point(const Tokens& tokens, bool locked) {
    const NodeRef ref = decision_point(tokens[1]);
    set_node_locked(ref.node->index, ref.turn_card, ref.river_card, locked);
    print_ok();
}

// A probability is a finite number of at least 0, and at most a value whose
// stored regret the solver can still add to; a value that is not one ends the
// command before anything is written.
f64 read_probability(const std::string& token) {
    const f64 value = read_f64(token);
    if (value < 0.0) throw InvalidNumber();
    if (value > kMaxStrategyValue) throw_command_error("value too large (at most 1e+30)");
    return value;
}

}  // namespace

void cmd_lock_node(const Tokens& tokens) {
    lock_point(tokens, true);
}

void cmd_unlock_node(const Tokens& tokens) {
    lock_point(tokens, false);
}

void cmd_set_strategy(const Tokens& tokens) {
    const NodeRef ref = decision_point(tokens[1]);
    const i32 position = read_i32(tokens[2]);
    if (position < 0 || static_cast<std::size_t>(position) >= ref.node->children.size()) {
        throw_command_error("invalid child index");
    }
    std::vector<f64> protocol_values(kHandCount);
    for (int h = 0; h < kHandCount; ++h) {
        protocol_values[h] = read_probability(tokens[kFirstValueToken + h]);
    }
    std::vector<f64> values(kHandCount);
    for (int c = 0; c < kHandCount; ++c) values[c] = protocol_values[g_combo_to_protocol[c]];
    set_node_strategy(ref.node->index, position, ref.turn_card, ref.river_card, values.data());
    print_ok();
}

void cmd_set_ev_boost(const Tokens& tokens) {
    if (!g_tree_present) throw_command_error("missing/incorrect tree");
    const NodeRef ref = resolve_node_path(tokens[1]);
    if (!is_decision_point(ref)) throw_argument_error();
    const f64 boost = read_f64(tokens[2]);
    if (boost < kLowestBoost || boost > kHighestBoost) throw_argument_error();
    set_node_ev_boost(ref.node->index, static_cast<f32>(boost));
    print_ok();
}
