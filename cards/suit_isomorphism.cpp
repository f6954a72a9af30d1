#include "cards/suit_isomorphism.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "cards/evaluator.h"
#include "cards/hand_tables.h"
#include "cards/runout_kernels.h"
#include "platform/console_output.h"

namespace {

constexpr u8 kUnassigned = 0xFF;
constexpr u64 kSuitGroup = 0x1fff;

int suit_card_count(u64 mask, int suit) {
    return __builtin_popcountll(mask >> (13 * suit) & kSuitGroup);
}

// Canonical suits of the flop; returns the next free canonical suit.
u8 assign_flop_suits(u8 map[4], u64 flop) {
    int counts[4];
    int present = 0;
    for (int s = 0; s < 4; ++s) {
        counts[s] = suit_card_count(flop, s);
        if (counts[s] > 0) ++present;
    }
    if (present == 1) {
        for (int s = 0; s < 4; ++s) {
            if (counts[s] > 0) map[s] = 0;
        }
        return 1;
    }
    if (present == 2) {
        int most = -1;
        int fewest = -1;
        for (int s = 0; s < 4; ++s) {
            if (counts[s] == 0) continue;
            if (most < 0 || counts[s] > counts[most]) most = s;
        }
        for (int s = 0; s < 4; ++s) {
            if (counts[s] == 0 || s == most) continue;
            if (fewest < 0 || counts[s] < counts[fewest]) fewest = s;
        }
        map[most] = 0;
        map[fewest] = 1;
        return 2;
    }
    // Three suits: in ascending card index the flop's suits come in ascending
    // suit number.
    u8 next = 0;
    for (u64 rest = flop; rest && next < 3; rest &= rest - 1) {
        int suit = __builtin_ctzll(rest) / 13;
        if (map[suit] == kUnassigned) map[suit] = next++;
    }
    return next;
}

u8 claim_suit_of_lowest(u8 map[4], u64 mask, u8 next) {
    if (mask == 0) return next;
    int suit = __builtin_ctzll(mask) / 13;
    if (map[suit] == kUnassigned) map[suit] = next++;
    return next;
}

void print_cards(u64 mask) {
    static constexpr char kRanks[] = "23456789TJQKA";
    static constexpr char kSuits[] = "cdhs";
    for (; mask; mask &= mask - 1) {
        int card = __builtin_ctzll(mask);
        std::printf("%c%c ", kRanks[card % 13], kSuits[card / 13]);
    }
}

void report_missing_image(u64 board, u64 hand, u64 image) {
    std::lock_guard<std::mutex> lock(g_output_mutex);
    std::printf("isomorph error: ");
    print_cards(board);
    std::printf(" | ");
    print_cards(hand);
    std::printf(" | ");
    print_cards(image);
    std::printf("\n");
    std::fflush(stdout);
}

u64 swap_suit_groups(u64 mask, int a, int b) {
    u8 map[4] = {0, 1, 2, 3};
    map[a] = static_cast<u8>(b);
    map[b] = static_cast<u8>(a);
    return relabel_mask(mask, map);
}

// Reports, hand by hand and map by map, every image that the parent lacks.
u32 report_missing_images(const std::vector<u64>& hands, const std::vector<std::vector<i16>>& maps,
                          std::size_t first, u64 board, int suit, i32 map_count) {
    u32 missing = 0;
    for (std::size_t i = first; i < hands.size(); ++i) {
        for (i32 m = 1; m < map_count; ++m) {
            if (maps[m][i] >= 0) continue;
            ++missing;
            u64 image = suit + m < 4 ? swap_suit_groups(hands[i], suit, suit + m) : 0;
            report_missing_image(board, hands[i], image);
        }
    }
    return missing;
}

}  // namespace

void board_suit_map(u8 map[4], u64 flop, u64 turn, u64 river) {
    std::fill(map, map + 4, kUnassigned);
    u8 next = assign_flop_suits(map, flop);
    next = claim_suit_of_lowest(map, turn, next);
    next = claim_suit_of_lowest(map, river, next);
    for (int s = 0; s < 4; ++s) {
        if (map[s] == kUnassigned) map[s] = next++;
    }
}

u64 relabel_mask(u64 mask, const u8 map[4]) {
    u64 out = 0;
    for (int s = 0; s < 4; ++s) out |= (mask >> (13 * s) & kSuitGroup) << (13 * map[s]);
    return out;
}

void canonical_suit_order(u8 map[4], u64& flop, u64& turn, u64& river) {
    board_suit_map(map, flop, turn, river);
    flop = relabel_mask(flop, map);
    if (turn) turn = relabel_mask(turn, map);
    if (river) river = relabel_mask(river, map);
}

void permute_combos_by_suit(u64 flop, u64 turn, u64 river, f64* dst, const f64* src, u8 direction) {
    u8 map[4];
    board_suit_map(map, flop, turn, river);
    for (int hi = 1; hi < 52; ++hi) {
        for (int lo = 0; lo < hi; ++lo) {
            int k = combo_index(lo, hi);
            int canonical = combo_of_mask(relabel_mask(u64{1} << hi | u64{1} << lo, map));
            if (direction == 0) {
                dst[canonical] = src[k];
            } else {
                dst[k] = src[canonical];
            }
        }
    }
}

std::vector<u32> evaluate_hand_list(const std::vector<u64>& hands, u64 board) {
    u8 cards[7];
    int board_cards = 0;
    for (u64 rest = board; rest && board_cards < 5; rest &= rest - 1) {
        cards[board_cards++] = static_cast<u8>(__builtin_ctzll(rest));
    }
    std::vector<u32> values(hands.size());
    for (std::size_t i = 0; i < hands.size(); ++i) {
        if (hands[i] == 0) {
            values[i] = 0xFFFFFFFF;
            continue;
        }
        cards[board_cards] = static_cast<u8>(__builtin_ctzll(hands[i]));
        cards[board_cards + 1] = static_cast<u8>(63 - __builtin_clzll(hands[i]));
        values[i] = eval_cards(cards, board_cards + 2);
    }
    return values;
}

u32 isomorph_groups(std::vector<u64>& child_hands, std::vector<u32>& child_values,
                    std::vector<std::vector<i16>>& child_maps, u64 board, i32 card, i32 map_count,
                    const std::vector<u64>& parent_hands, const u16* parent_combo_map) {
    return isomorph_groups_with(runout_kernels(), child_hands, child_values, child_maps, board,
                                card, map_count, parent_hands, parent_combo_map);
}

u32 isomorph_groups_with(const RunoutKernels& kernels, std::vector<u64>& child_hands,
                         std::vector<u32>& child_values, std::vector<std::vector<i16>>& child_maps,
                         u64 board, i32 card, i32 map_count, const std::vector<u64>& parent_hands,
                         const u16* parent_combo_map) {
    const i32 n = static_cast<i32>(parent_hands.size());
    std::vector<u64> keys(static_cast<std::size_t>(n));
    const bool by_suit_class = __builtin_popcountll(board) == 5;
    i32 kept = kernels.make_sort_keys(parent_hands.data(), n, board, by_suit_class, keys.data());
    std::sort(keys.begin(), keys.begin() + kept);

    const std::size_t first = child_hands.size();
    const std::size_t total = first + static_cast<std::size_t>(kept);
    const i32 maps = std::max(map_count, 1);
    if (child_maps.size() < static_cast<std::size_t>(maps)) child_maps.resize(maps);
    child_hands.resize(total);
    child_values.resize(total);
    for (i32 m = 0; m < maps; ++m) child_maps[m].resize(total);
    kernels.fill_sorted_lists(keys.data(), kept, parent_hands.data(), child_hands.data() + first,
                              child_values.data() + first, child_maps[0].data() + first);

    const int suit = card / 13;
    for (i32 m = 1; m < maps; ++m) {
        i16* out = child_maps[m].data() + first;
        if (suit + m > 3) {
            std::fill(out, out + kept, static_cast<i16>(-1));
            continue;
        }
        kernels.fill_image_map(child_hands.data() + first, kept, suit, suit + m, parent_combo_map,
                               out);
    }
    return report_missing_images(child_hands, child_maps, first, board, suit, maps);
}
