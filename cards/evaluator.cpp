#include "cards/evaluator.h"

#include <array>

#include "cards/eval_cards_variants.h"
#include "platform/cpu_features.h"

u32 g_eval_rank_count[kEvalTableSize];
u32 g_eval_top_rank[kEvalTableSize];
u32 g_eval_top_five[kEvalTableSize];
u32 g_eval_straight[kEvalTableSize];
u32 g_eval_low_three[kEvalTableSize];
u32 g_eval_low_five[kEvalTableSize];
bool g_eval_tables_ready = false;

namespace eval_generic {
#include "cards/eval_mask_impl.h"
}  // namespace eval_generic

namespace {

constexpr u32 kNoLowFive = 0xfffffff;

void fill_rank_entries(u32 m) {
    u32 n = 0;
    u32 packed = 0;
    for (int rank = 12; rank >= 0; --rank) {
        if (!(m >> rank & 1)) continue;
        if (n == 0) g_eval_top_rank[m] = static_cast<u32>(rank);
        if (n < 5) packed = packed << 4 | static_cast<u32>(rank);
        ++n;
    }
    g_eval_rank_count[m] = n;
    g_eval_top_five[m] = packed;
}

void fill_low_entries(u32 m) {
    u32 collected = 0;
    int found = 0;
    for (int bit = 0; bit < 8; ++bit) {
        if (!(m >> bit & 1)) continue;
        collected |= 1u << bit;
        ++found;
        if (found == 3) g_eval_low_three[m] = collected;
        if (found == 5) {
            g_eval_low_five[m] = collected;
            return;
        }
    }
    g_eval_low_five[m] = kNoLowFive;
}

// Every set of at most seven ranks that holds a run is the run plus two
// further ranks; the highest run is entered first and wins.
void fill_straights() {
    for (int top_rank = 12; top_rank >= 4; --top_rank) {
        u32 run = 0x1fu << (top_rank - 4);
        for (int x = 0; x < 13; ++x) {
            for (int y = 0; y < 13; ++y) {
                u32 m = run | 1u << x | 1u << y;
                if (g_eval_straight[m] == 0) {
                    g_eval_straight[m] = 0x4000000 + (static_cast<u32>(top_rank) << 16);
                }
            }
        }
    }
    for (int x = 0; x < 13; ++x) {
        for (int y = 0; y < 13; ++y) {
            u32 m = 0x100fu | 1u << x | 1u << y;
            if (g_eval_straight[m] == 0) g_eval_straight[m] = 0x4030000;
        }
    }
}

using EvalCardsFn = u32 (*)(const u8*, int);

EvalCardsFn select_eval_cards() {
    return cpu_has_avx2_set() ? eval_cards_avx2 : eval_cards_generic;
}

// Card index to evaluator bit: 16 x suit + rank.
constexpr std::array<u64, 52> make_eval_bits() {
    std::array<u64, 52> bits{};
    for (int card = 0; card < 52; ++card) bits[card] = u64{1} << (16 * (card / 13) + card % 13);
    return bits;
}

constexpr std::array<u64, 52> kEvalBits = make_eval_bits();

}  // namespace

i64 init_eval_tables() {
    if (g_eval_tables_ready) return 1;
    g_eval_low_five[0] = kNoLowFive;
    for (u32 m = 1; m < kEvalTableSize; ++m) {
        fill_rank_entries(m);
        fill_low_entries(m);
    }
    fill_straights();
    g_eval_tables_ready = true;
    return 1;
}

u32 eval_cards_generic(const u8* cards, int n) {
    if (n < 3 || n > 7) return 0;
    u64 mask = 0;
    for (int i = 0; i < n; ++i) mask |= kEvalBits[cards[i]];
    return eval_generic::kernel_eval_mask(mask, n);
}

u32 eval_cards(const u8* cards, int n) {
    static const EvalCardsFn fn = select_eval_cards();
    return fn(cards, n);
}

u32 eval7_mask(u64 mask) {
    return eval_generic::kernel_eval7(mask);
}
u32 eval6_mask(u64 mask) {
    return eval_generic::kernel_eval6(mask);
}
u32 eval5_mask(u64 mask) {
    return eval_generic::kernel_eval5(mask);
}
u32 eval4_mask(u64 mask) {
    return eval_generic::kernel_eval4(mask);
}
u32 eval3_mask(u64 mask) {
    return eval_generic::kernel_eval3(mask);
}
