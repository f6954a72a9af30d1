#include "cards/board_hand_lists.h"

#include "cards/fail.h"
#include "cards/hand_tables.h"
#include "cards/runout_kernels.h"
#include "cards/suit_isomorphism.h"

namespace {

void clear_maps(std::vector<std::vector<i16>>& maps) {
    for (std::vector<i16>& map : maps) map.clear();
}

void fill_pairs_and_combo_map(const RunoutKernels& kernels, const std::vector<u64>& hands,
                              std::vector<u16>& card_pairs, std::vector<u16>& combo_map) {
    const i32 n = static_cast<i32>(hands.size());
    card_pairs.resize(hands.size());
    kernels.fill_card_pairs(hands.data(), n, card_pairs.data());
    combo_map.resize(kHandCount);
    kernels.fill_combo_map(hands.data(), n, combo_map.data());
}

// The showdown kernels walk the runs of equal value; runs that do not cover
// the list would misplace every payoff after them.
void fill_value_runs(const RunoutKernels& kernels, RiverRecord& runout) {
    const i32 n = static_cast<i32>(runout.hand_values.size());
    runout.value_runs.resize(runout.hand_values.size());
    i32 runs = kernels.value_runs(runout.hand_values.data(), n, runout.value_runs.data());
    runout.value_runs.resize(static_cast<std::size_t>(runs));
    i32 covered = 0;
    for (i16 length : runout.value_runs) covered += length;
    if (covered != n) fail();
}

// Grouped runouts are never created (every tree uses hand grouping 0).
void build_runout(const RunoutKernels& kernels, RiverRecord& runout, const BoardRecord& board) {
    if (runout.grouping_mode != 0) fail("hand grouping not supported");
    runout.hands.clear();
    runout.hand_values.clear();
    clear_maps(runout.parent_maps);
    runout.missing_images = isomorph_groups_with(
        kernels, runout.hands, runout.hand_values, runout.parent_maps, runout.board_mask,
        static_cast<i32>(runout.card), static_cast<i32>(runout.map_count), board.hands,
        board.combo_map.data());
    fill_value_runs(kernels, runout);
    fill_pairs_and_combo_map(kernels, runout.hands, runout.card_pairs, runout.combo_map);
}

void fill_root_list(StreetData& street, const f64* range_oop, const f64* range_ip) {
    street.hands.clear();
    street.combo_map.assign(kHandCount, 0xFFFF);
    for (int hi = 0; hi < 52; ++hi) {
        for (int lo = 0; lo < hi; ++lo) {
            u64 hand = u64{1} << hi | u64{1} << lo;
            int combo = combo_index(lo, hi);
            if (hand & street.board_mask) continue;
            if (!(range_oop[combo] > 0.0) && !(range_ip[combo] > 0.0)) continue;
            street.combo_map[combo] = static_cast<u16>(street.hands.size());
            street.hands.push_back(hand);
        }
    }
}

}  // namespace

void build_board_hand_maps_with(const RunoutKernels& kernels, BoardRecord& board,
                                const std::vector<u64>& parent_hands, const u16* parent_combo_map) {
    board.hands.clear();
    board.hand_values.clear();
    clear_maps(board.parent_maps);
    board.missing_images =
        isomorph_groups_with(kernels, board.hands, board.hand_values, board.parent_maps,
                             board.board_mask, static_cast<i32>(board.card),
                             static_cast<i32>(board.map_count), parent_hands, parent_combo_map);
    fill_pairs_and_combo_map(kernels, board.hands, board.card_pairs, board.combo_map);
    board.runout_counts.clear();
    for (RiverRecord& runout : board.runouts) {
        build_runout(kernels, runout, board);
        board.runout_counts.push_back(static_cast<u32>(runout.hands.size()));
    }
}

void build_board_hand_maps(BoardRecord& board, const std::vector<u64>& parent_hands,
                           const u16* parent_combo_map) {
    build_board_hand_maps_with(runout_kernels(), board, parent_hands, parent_combo_map);
}

void build_street_hand_maps(StreetData& street, const f64* range_oop, const f64* range_ip) {
    const RunoutKernels& kernels = runout_kernels();
    fill_root_list(street, range_oop, range_ip);
    street.card_pairs.resize(street.hands.size());
    kernels.fill_card_pairs(street.hands.data(), static_cast<i32>(street.hands.size()),
                            street.card_pairs.data());
    street.board_counts.clear();
    street.board_runout_counts.clear();
    street.missing_images = 0;
    for (BoardRecord& board : street.boards) {
        build_board_hand_maps_with(kernels, board, street.hands, street.combo_map.data());
        street.board_counts.push_back(static_cast<u32>(board.hands.size()));
        street.board_runout_counts.push_back(board.runout_counts);
        street.missing_images += board.missing_images;
        for (const RiverRecord& runout : board.runouts) {
            street.missing_images += runout.missing_images;
        }
    }
}
