#include "queries/split_lookup.h"

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

const i16* signed_map(const std::vector<u16>& map) {
    // 0xFFFF reads as -1: the maps mark an absent combo that way.
    return reinterpret_cast<const i16*>(map.data());
}

}  // namespace

SplitIndex find_node_data(const Tree& tree, i32 turn_card, i32 river_card) {
    return split_of_cards(tree, turn_card, river_card);
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
