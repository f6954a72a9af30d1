#include "shell/line_commands.h"

#include <iterator>
#include <string>

#include "shell/command_reply.h"
#include "shell/number_reading.h"
#include "solver/arithmetic_limits.h"
#include "tree/line_tree.h"

namespace {

// Where a line stands after the actions read so far.
struct LineWalk {
    LineTreeNode* node;
    u32 player = 0;  // OOP opens every street
    i32 street_offset = 0;
    i32 bet_count = 0;
    bool checked = false;
    f64 previous = 0.0;
};

void reset_root(LineTreeNode& root) {
    root.player = 0;
    root.street_offset = 0;
    root.bet_count = 0;
    root.amount = 0.0;
    root.committed[0] = 0.0;
    root.committed[1] = 0.0;
}

void remove_other_children(LineTreeNode& node, f64 key) {
    for (auto it = node.children.begin(); it != node.children.end();) {
        it = it->first == key ? std::next(it) : node.children.erase(it);
    }
}

// A bet or raise names a larger total; an equal total is a first check, or
// else the call or check behind that closes the street.
void advance(LineWalk& walk, f64 amount) {
    if (amount > walk.previous) {
        ++walk.bet_count;
        walk.player ^= 1u;
        walk.previous = amount;
        walk.checked = false;
        return;
    }
    if (walk.bet_count == 0 && !walk.checked) {
        walk.player ^= 1u;
        walk.checked = true;
        return;
    }
    ++walk.street_offset;
    walk.bet_count = 0;
    walk.checked = false;
    walk.player = 0;
}

// Written on every pass, so a line through an existing node rewrites it.
void describe_child(LineTreeNode& child, const LineWalk& walk, u32 actor, f64 amount) {
    child.street_offset = walk.street_offset;
    child.player = walk.player;
    child.bet_count = walk.bet_count;
    child.amount = amount;
    child.committed[actor] = amount;
    child.committed[actor ^ 1u] = child.parent->committed[actor ^ 1u];
}

// The responses stay leaves until a line continues through them, which then
// sets their player and bet count; until then those keep their defaults.
void add_automatic_responses(LineTreeNode& child, const LineWalk& walk, f64 amount) {
    const bool bet_pending = walk.bet_count > 0;
    if (!bet_pending && !walk.checked) return;
    bool created = false;
    LineTreeNode& closing = child.child_or_new(amount, created);
    if (created) {
        closing.amount = amount;
        closing.committed[0] = amount;
        closing.committed[1] = amount;
        closing.street_offset = walk.street_offset;
    }
    if (!bet_pending) return;
    LineTreeNode& fold = child.child_or_new(kFoldKey, created);
    if (!created) return;
    // The folding player keeps the total it had before the bet.
    fold.amount = child.parent->amount;
    fold.committed[walk.player] = fold.amount;
    fold.committed[walk.player ^ 1u] = amount;
    fold.street_offset = walk.street_offset;
}

void take_action(LineWalk& walk, f64 amount, bool forced) {
    if (forced) remove_other_children(*walk.node, amount);
    bool created = false;
    LineTreeNode& child = walk.node->child_or_new(amount, created);
    const u32 actor = walk.player;
    advance(walk, amount);
    describe_child(child, walk, actor, amount);
    if (created) add_automatic_responses(child, walk, amount);
    walk.node = &child;
}

}  // namespace

void add_line_impl(const Tokens& tokens, bool forced) {
    if (tokens.size() > static_cast<std::size_t>(kMaxLineAmounts) + 1) {
        throw_command_error("line too long (at most " + std::to_string(kMaxLineAmounts) +
                            " amounts)");
    }
    reset_root(*g_line_tree);
    LineWalk walk{g_line_tree.get()};
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        // -0 is the same key as 0; keep it from printing as "-0".
        const f64 amount = read_f64(tokens[i]) + 0.0;
        if (amount < walk.previous) throw_argument_error();
        // Like a decreasing amount, it keeps the actions before it.
        if (amount > kMaxLineAmount) throw_command_error("amount too large (at most 1e+12)");
        take_action(walk, amount, forced);
    }
    print_ok();
}

void cmd_add_line(const Tokens& tokens) {
    add_line_impl(tokens, false);
}

void cmd_force_line(const Tokens& tokens) {
    add_line_impl(tokens, true);
}

void cmd_remove_line(const Tokens& tokens) {
    LineTreeNode* node = g_line_tree.get();
    f64 previous_key = 0.0;
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        const f64 amount = read_f64(tokens[i]);
        // After a bet, 0 names the fold response.
        const f64 key = amount == 0.0 && previous_key > 0.0 ? kFoldKey : amount;
        LineTreeNode* child = node->child(key);
        if (child == nullptr) throw_command_error("Specified line doesn't exists.");
        if (i + 1 == tokens.size()) {
            node->remove_child(key);
        } else {
            node = child;
        }
        previous_key = key;
    }
    print_ok();
}

void cmd_clear_lines(const Tokens&) {
    reset_line_tree();
    print_ok();
}

void cmd_free_schematic_tree(const Tokens&) {
    reset_line_tree();
    print_ok();
}
