#include "tree/tree.h"

#include <bit>
#include <utility>

#include "cards/board_records.h"
#include "cards/card_text.h"
#include "cards/suit_isomorphism.h"
#include "tree/node_data_layout.h"
#include "tree/shared_fields.h"

std::unique_ptr<Tree> g_tree;

Tree::Tree() = default;

Tree::~Tree() {
    // River stores keep a pointer to their layout: the nodes go first.
    nodes.clear();
}

void install_tree(std::unique_ptr<Tree> tree) {
    g_tree = std::move(tree);
}

void release_tree() {
    g_tree.reset();
}

std::string tree_flags_text(u32 flags) {
    static constexpr const char* kNames[] = {"INCOMPLETE_TREE", "ISOMORPHISM_ON", "NEW_TREE"};
    std::string text;
    for (u32 bit = 0; bit < 3; ++bit) {
        if ((flags & (1u << bit)) == 0) continue;
        if (!text.empty()) text += ' ';
        text += kNames[bit];
    }
    return text;
}

std::string tree_flags_text() {
    return g_tree ? tree_flags_text(g_tree->flags) : std::string();
}

namespace {

}  // namespace

SplitIndex split_of_cards(const Tree& tree, i32 turn_card, i32 river_card) {
    u64 flop = tree.board_mask;
    u64 turn = card_mask_of(turn_card);
    u64 river = card_mask_of(river_card);
    // Read atomically: the first iteration of a running solve clears a bit
    // of the same word.
    if ((load_tree_flags(tree) & kTreeIsomorphism) != 0) {
        u8 suit_map[4];
        canonical_suit_order(suit_map, flop, turn, river);
    }
    SplitIndex split;
    const StreetData& street = *tree.street_data;
    const i32 turn_canonical = lowest_card(turn);
    if (turn_canonical < 0) return split;
    split.board = street.card_to_board[static_cast<std::size_t>(turn_canonical)];
    if (split.board < 0) return split;
    const i32 river_canonical = lowest_card(river);
    if (river_canonical < 0) return split;
    const BoardRecord& board = street.boards[static_cast<std::size_t>(split.board)];
    split.river = static_cast<i16>(board.card_to_runout[static_cast<std::size_t>(river_canonical)]);
    return split;
}
