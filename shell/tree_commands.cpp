#include "shell/tree_commands.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>

#include "cards/card_text.h"
#include "cards/hand_tables.h"
#include "platform/memory_status.h"
#include "shell/command_reply.h"
#include "shell/compression_level.h"
#include "shell/output.h"
#include "shell/range_board_commands.h"
#include "shell/settings.h"
#include "solver/arithmetic_limits.h"
#include "solver/forget_streets.h"
#include "solver/solve_reset.h"
#include "solver/solver_thread.h"
#include "storage/node_data_factory.h"
#include "tree/line_tree.h"
#include "tree/tree_create.h"

i32 g_effective_stack = 0;

void refuse_while_solving() {
    if (solver_running()) throw_command_error("Can't do that when solver is running");
}

namespace {

constexpr int kStreets = 4;  // indexed by street 1..3
// Node weights of `node_count`: one turn node stands for 49 turn cards, one
// river node for 49 x 48 runouts.
constexpr u32 kStreetMultiplier[kStreets] = {0, 1, 49, 2352};
constexpr f64 kNoReference = -9999.0;

void require_tree() {
    if (!g_tree_present) throw_command_error("missing/incorrect tree");
}

i32 root_street_of_board() {
    return 1 + (g_turn_mask != 0 ? 1 : 0) + (g_river_mask != 0 ? 1 : 0);
}

u64 combo_mask(u16 combo) {
    return g_protocol_mask[g_combo_to_protocol[combo]];
}

[[noreturn]] void throw_inconsistent_range(int player, u16 reference, f64 reference_weight,
                                           u16 combo, f64 weight) {
    static constexpr const char* kNames[] = {"OOP", "IP"};
    char reason[256];
    std::snprintf(reason, sizeof reason,
                  "inconsistent range: %s P(%s) == %.2g, P(%s) == %.2g, use 'set_isomorphism 0 "
                  "0' if intended",
                  kNames[player], cards_to_text(combo_mask(reference)).c_str(), reference_weight,
                  cards_to_text(combo_mask(combo)).c_str(), weight);
    throw_command_error(reason);
}

// With flop isomorphism every combo of a hand class that avoids the flop must
// carry the same weight, or isomorphic boards would not be equivalent.
void check_class_weights(int player, const std::vector<f64>& range, u64 flop_mask,
                         const std::vector<u16>& combos) {
    f64 reference = kNoReference;
    u16 reference_combo = 0;
    for (const u16 combo : combos) {
        if (combo_mask(combo) & flop_mask) continue;
        const f64 weight = range[combo];
        if (reference < 0.0) {
            reference = weight;
            reference_combo = combo;
            continue;
        }
        if (std::fabs(weight - reference) > DBL_EPSILON) {
            throw_inconsistent_range(player, reference_combo, reference, combo, weight);
        }
    }
}

void check_range_consistency(const std::vector<f64> ranges[2], u64 flop_mask, i32 root_street,
                             bool isomorphism) {
    if (root_street != 1 || !isomorphism) return;
    for (int player = 0; player < 2; ++player) {
        for (const std::vector<u16>& combos : g_hand_class_combos) {
            check_class_weights(player, ranges[player], flop_mask, combos);
        }
    }
}

// Ranges and lines, however they came (commands, an archive), tested against
// what the solver's arithmetic carries (solver/arithmetic_limits.h) before
// anything is built.
void check_arithmetic_limits(const std::vector<f64> ranges[2], const LineFlattening& flat) {
    for (int player = 0; player < 2; ++player) {
        if (const char* fault = range_weight_fault(ranges[player])) {
            throw_command_error(std::string("range ") + fault);
        }
    }
    for (const LineRecord& record : flat.records) {
        if (!(std::fabs(record.amount) <= kMaxPayoffAmount)) {
            throw_command_error("payoff too large (at most 2e+12)");
        }
    }
}

TreeSpec spec_of(const GameSetup& setup, const LineFlattening& flat, i32 root_street) {
    TreeSpec spec;
    spec.records = flat.records.data();
    spec.record_count = static_cast<u32>(flat.records.size());
    u64 flop = setup.flop_mask;
    for (i32& card : spec.flop) {
        card = lowest_card(flop);
        flop &= flop - 1;
    }
    spec.turn = root_street >= 2 ? lowest_card(setup.turn_mask) : -1;
    spec.river = root_street == 3 ? lowest_card(setup.river_mask) : -1;
    spec.ranges[0] = setup.ranges[0].data();
    spec.ranges[1] = setup.ranges[1].data();
    spec.isomorphism = setup.isomorphism ? 1 : 0;
    return spec;
}

std::unique_ptr<Tree> make_tree_or_fail(const TreeSpec& spec) {
    try {
        return make_tree(spec);
    } catch (const TreeBuildError& error) {
        throw_command_error(error.what());
    }
}

// The level that the tree's uncompressed size figures and the available
// physical memory call for. A new tree gets its figures from a reset of its
// stores without compression (nothing outside the tree changes, so that the
// build can still be refused); a present tree is not reset for them (a
// refused level must leave its solve alone), and its last reset may have
// left out a forgotten street that the change of level brings back: its need
// is that of every street.
i32 level_for_memory(Tree& tree, bool present) {
    i64 need = 0;
    if (present) {
        need = static_cast<i64>(whole_tree_data_bytes(tree));
    } else {
        reset_stores_or_fail(tree, 0);
        const TreeSizeStats& stats = tree.size_stats;
        need = static_cast<i64>(stats.data_sizes[1] + stats.data_sizes[2] + stats.data_sizes[3]);
    }
    return automatic_compression_level(need, available_physical_memory(memory_status()),
                                       rainbow_flop(tree.board_mask));
}

// The automatic level: the one for the memory, among the levels that the
// tree's range weights allow.
i32 automatic_level(Tree& tree, bool present) {
    const i32 level = weights_fit_every_level(tree) ? level_for_memory(tree, present) : 0;
    out_printf("#auto compression level %d\n", level);
    return level;
}

// The level that the setting calls for. A level set by the user is checked
// against the tree's range weights; the automatic one only picks a level
// that carries them. `present`: the current tree, already solved from
// (rather than one being built).
i32 choose_level(Tree& tree, bool present) {
    const i32 setting = g_compression_setting;
    if (setting < 0) return automatic_level(tree, present);
    check_range_weights_for_level(tree, setting);
    return setting;
}

struct NodeCounts {
    u32 total = 0;
    u32 decisions[2] = {0, 0};
    u32 decisions_by_street[2][kStreets] = {};
    u32 splits = 0;
    u32 splits_by_street[kStreets] = {};
    u32 ends = 0;
    u32 ends_by_street[kStreets] = {};
};

bool known_street(i32 street) {
    return street >= 1 && street < kStreets;
}

void count_node(const LineTreeNode& node, NodeCounts& counts) {
    const i32 street = g_root_street + node.street_offset;
    if (!known_street(street)) return;
    const u32 m = kStreetMultiplier[street];
    if (!node.children.empty() && node.player < 2) {
        counts.decisions[node.player] += m;
        counts.decisions_by_street[node.player][street] += m;
        counts.total += m;
    }
    for (const auto& [key, child] : node.children) {
        if (child->street_offset > node.street_offset) {
            counts.splits += m;
            counts.splits_by_street[street] += m;
            counts.total += m;
        }
        if (child->children.empty()) {
            counts.ends += m;
            counts.ends_by_street[street] += m;
            counts.total += m;
        }
    }
}

NodeCounts count_line_nodes(const LineTreeNode& root) {
    NodeCounts counts;
    std::vector<const LineTreeNode*> pending{&root};
    while (!pending.empty()) {
        const LineTreeNode* node = pending.back();
        pending.pop_back();
        count_node(*node, counts);
        for (const auto& [key, child] : node->children) pending.push_back(child.get());
    }
    return counts;
}

void print_street_counts(const u32 by_street[kStreets]) {
    out_printf("FLOP  %d\n", static_cast<int>(by_street[1]));
    out_printf("TURN  %d\n", static_cast<int>(by_street[2]));
    out_printf("RIVER  %d\n", static_cast<int>(by_street[3]));
}

}  // namespace

i32 effective_stack_of(const LineTreeNode& root) {
    const f64 amount = max_line_amount(root, 0.0);
    if (amount >= static_cast<f64>(std::numeric_limits<i32>::max())) {
        return std::numeric_limits<i32>::max();
    }
    return static_cast<i32>(amount);
}

std::unique_ptr<Tree> build_game_tree(const GameSetup& setup, LineFlattening& flat) {
    const i32 root_street = 1 + (setup.turn_mask != 0 ? 1 : 0) + (setup.river_mask != 0 ? 1 : 0);
    check_range_consistency(setup.ranges, setup.flop_mask, root_street, setup.isomorphism);
    if (!collect_line_actions_dispatch(flat, *setup.lines, -1, 0.0, setup.pot, root_street)) {
        throw_command_error("invalid line");
    }
    check_arithmetic_limits(setup.ranges, flat);
    std::unique_ptr<Tree> tree = make_tree_or_fail(spec_of(setup, flat, root_street));
    tree->pot = setup.pot;
    return tree;
}

namespace {

// A level's storage modes as the reset takes them: regrets, strategy sums.
struct LevelModes {
    u32 pair[2];
};

LevelModes modes_of_level(i32 level) {
    const StoreModes modes = store_modes_of_level(level);
    return {{modes.regrets, modes.strategy}};
}

}  // namespace

void reset_stores_or_fail(Tree& tree, i32 level) {
    if (!reset_tree_stores(tree, modes_of_level(level).pair)) throw_command_error("out of memory");
}

void set_level_parameters(const Tree& tree, i32 level) {
    set_solver_parameters(tree, modes_of_level(level).pair);
}

void install_reset_tree(std::unique_ptr<Tree> tree, i32 level) {
    install_tree(std::move(tree));
    set_level_parameters(*g_tree, level);
}

void build_tree_dispatch() {
    const i32 root_street = root_street_of_board();
    const i32 effective_stack = effective_stack_of(*g_line_tree);
    const GameSetup setup{g_line_tree.get(),
                          g_ranges,
                          g_flop_mask,
                          g_turn_mask,
                          g_river_mask,
                          g_pot,
                          g_isomorphism_by_street[root_street] != 0};
    LineFlattening flat;
    std::unique_ptr<Tree> tree = build_game_tree(setup, flat);
    const i32 level = choose_level(*tree, false);
    reset_stores_or_fail(*tree, level);

    install_reset_tree(std::move(tree), level);
    g_root_street = root_street;
    g_effective_stack = effective_stack;
    assign_line_indices(flat);
    g_actual_compression = level;
    g_tree_present = 1;
}

void cmd_build_tree(const Tokens&) {
    if (g_ranges[0].empty() || g_ranges[1].empty()) throw_command_error("ranges not set");
    if (std::popcount(g_flop_mask) != 3) throw_command_error("board not set");
    if (g_line_tree->children.empty()) throw_command_error("lines not set");
    refuse_while_solving();
    build_tree_dispatch();
    g_ev_flag_from_file = 0;
    print_ok();
}

void cmd_free_tree(const Tokens&) {
    refuse_while_solving();
    release_tree();
    g_tree_present = 0;
    g_ev_flag_from_file = 0;
    print_ok();
}

void set_compression_setting(i32 setting) {
    const bool present = g_tree_present && g_tree;
    if (present) refuse_while_solving();
    const i32 previous = g_compression_setting;
    g_compression_setting = setting;
    if (!present) return;
    i32 level = 0;
    try {
        level = choose_level(*g_tree, true);
    } catch (const CommandError&) {
        g_compression_setting = previous;
        throw;
    }
    // The solve starts over: every street gets its stores again, and nothing
    // of a forgotten street's state may outlive the data it described.
    discard_forgotten_state(*g_tree);
    try {
        reset_stores_or_fail(*g_tree, level);
    } catch (const CommandError&) {
        // A tree whose stores could not be made cannot be solved or queried.
        release_tree();
        g_tree_present = 0;
        throw;
    }
    set_level_parameters(*g_tree, level);
    g_actual_compression = level;
}

void cmd_node_count(const Tokens&) {
    require_tree();
    const NodeCounts counts = count_line_nodes(*g_line_tree);
    out_printf("H_DEC: %d\n", static_cast<int>(counts.decisions[1]));
    print_street_counts(counts.decisions_by_street[1]);
    out_printf("V_DEC: %d\n", static_cast<int>(counts.decisions[0]));
    print_street_counts(counts.decisions_by_street[0]);
    out_printf("SPLIT: %d\n", static_cast<int>(counts.splits));
    print_street_counts(counts.splits_by_street);
    out_printf("END: %d\n", static_cast<int>(counts.ends));
    print_street_counts(counts.ends_by_street);
    out_printf("ROOT: 1\n");
    out_printf("FLOP  %d\n", g_root_street == 1 ? 1 : 0);
    out_printf("TURN  %d\n", g_root_street == 2 ? 1 : 0);
    out_printf("RIVER %d\n", g_root_street == 3 ? 1 : 0);
    out_printf("TOTAL: %d\n", static_cast<int>(counts.total + 1));
    out_printf("END\n");
}

void cmd_show_effective_stack(const Tokens&) {
    require_tree();
    out_printf("%d\n", g_effective_stack);
}
