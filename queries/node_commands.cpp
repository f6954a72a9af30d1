#include "queries/node_commands.h"

#include <string>

#include "cards/card_text.h"
#include "queries/node_display.h"
#include "queries/node_path.h"
#include "shell/output.h"
#include "shell/settings.h"
#include "tree/line_tree.h"
#include "tree/tree.h"

namespace {

constexpr int kRanks = 13;
constexpr int kSuits = 4;

void print_child(int k, const std::string& path, const NodeRef& ref) {
    out_printf("child %d:\n", k);
    print_node_info(path, ref);
}

// Cards not yet on the board, aces first and spades before hearts before
// diamonds before clubs within a rank.
void print_dealt_cards(const std::string& path, const NodeRef& ref) {
    u64 dealt = g_flop_mask;
    if (ref.turn_card >= 0) dealt |= card_bit(ref.turn_card);
    if (ref.river_card >= 0) dealt |= card_bit(ref.river_card);
    const bool deals_turn = line_node_street(*ref.node) == static_cast<i32>(kStreetTurn);
    int k = 0;
    for (int rank = kRanks - 1; rank >= 0; --rank) {
        for (int suit = kSuits - 1; suit >= 0; --suit) {
            const int card = suit * kRanks + rank;
            if (dealt & card_bit(card)) continue;
            NodeRef child = ref;
            child.at_chance_point = false;
            (deals_turn ? child.turn_card : child.river_card) = card;
            print_child(k++, path + ":" + card_text(card), child);
        }
    }
}

void print_action_children(const std::string& path, const NodeRef& ref) {
    // Each child prints its own number of children: none may have been
    // edited since the build.
    for (const auto& entry : ref.node->children) require_built(*entry.second);
    const i32 street = line_node_street(*ref.node);
    int k = 0;
    for (const auto& entry : ref.node->children) {
        LineTreeNode* node = entry.second.get();
        const i32 child_street = line_node_street(*node);
        const bool chance = child_street > street && child_street <= static_cast<i32>(kStreetRiver);
        const NodeRef child{node, ref.turn_card, ref.river_card, chance};
        print_child(k, path + ":" + child_action_text(ref, k), child);
        ++k;
    }
}

}  // namespace

void cmd_show_node(const Tokens& tokens) {
    const NodeRef ref = resolve_node_path(tokens[1]);
    print_node_info(tokens[1], ref);
    out_printf("END\n");
}

void cmd_show_children(const Tokens& tokens) {
    const NodeRef ref = resolve_node_path(tokens[1]);
    if (!ref.node) {
        print_child(0, "r:0", resolve_node_path("r:0"));
    } else if (ref.at_chance_point) {
        print_dealt_cards(tokens[1], ref);
    } else {
        print_action_children(tokens[1], ref);
    }
    out_printf("END\n");
}
