#include "queries/split_lookup.h"

#include <bit>

#include "cards/hand_tables.h"
#include "cards/suit_isomorphism.h"
#include "platform/cpu_features.h"
#include "queries/solver_shared_state.h"
#include "shell/command_reply.h"
#include "tree/tree.h"

namespace {

using GatherKernel = void (*)(f64*, const f64*, const i16*);

GatherKernel chosen_gather_kernel() {
    static const GatherKernel kernel =
        cpu_has_avx2_set() ? gather_combos_avx2 : gather_combos_generic;
    return kernel;
}

u64 card_mask_of(i32 card) {
    return card >= 0 ? u64{1} << card : 0;
}

i32 lowest_card(u64 mask) {
    return mask ? std::countr_zero(mask) : -1;
}

const i16* signed_map(const std::vector<u16>& map) {
    // 0xFFFF reads as -1: the maps mark an absent combo that way.
    return reinterpret_cast<const i16*>(map.data());
}

i32 runout_index(const BoardRecord& board, i32 river_card) {
    if (river_card < 0) return -1;
    return static_cast<i16>(board.card_to_runout[static_cast<std::size_t>(river_card)]);
}

}  // namespace

SplitIndex find_node_data(const Tree& tree, i32 turn_card, i32 river_card) {
    u64 flop = tree.board_mask;
    u64 turn = card_mask_of(turn_card);
    u64 river = card_mask_of(river_card);
    if (tree_is_isomorphic(tree)) {
        u8 suit_map[4];
        canonical_suit_order(suit_map, flop, turn, river);
    }
    SplitIndex split;
    const StreetData& street = *tree.street_data;
    const i32 turn_canonical = lowest_card(turn);
    if (turn_canonical < 0) return split;
    split.board = street.card_to_board[static_cast<std::size_t>(turn_canonical)];
    if (split.board < 0) return split;
    split.river =
        runout_index(street.boards[static_cast<std::size_t>(split.board)], lowest_card(river));
    return split;
}

SplitLevel split_level(const Tree& tree, SplitIndex split) {
    const StreetData& street = *tree.street_data;
    if (split.board < 0) {
        return {signed_map(street.combo_map), static_cast<i32>(street.hands.size())};
    }
    const BoardRecord& board = street.boards[static_cast<std::size_t>(split.board)];
    if (split.river < 0) return {signed_map(board.combo_map), static_cast<i32>(board.hands.size())};
    const RiverRecord& runout = board.runouts[static_cast<std::size_t>(split.river)];
    return {signed_map(runout.combo_map), static_cast<i32>(runout.hands.size())};
}

void require_split_for(const TreeNode& node, SplitIndex split) {
    const bool board_missing = node.street >= kStreetTurn && split.board < 0;
    const bool river_missing = node.street >= kStreetRiver && split.river < 0;
    if (board_missing || river_missing) throw_command_error("incorrect path");
}

void gather_combos(f64* out, const DoubleArray& src, const i16* map) {
    if (src.data) {
        chosen_gather_kernel()(out, src.data, map);
        return;
    }
    const f64 nan = __builtin_nan("");
    for (int c = 0; c < kHandCount; ++c) out[c] = map[c] >= 0 ? 0.0 : nan;
}
