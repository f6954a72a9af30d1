// Lookup tables of the hand evaluator, indexed by a 13-bit rank set (bit r =
// rank r). Filled once by `init_eval_tables`; read-only afterwards. Plain
// declarations only, so that the AVX2 translation unit may include it.
#pragma once

#include "platform/int_types.h"

// Every 13-bit rank set indexes inside the tables.
constexpr int kEvalTableSize = 8192;

extern u32 g_eval_rank_count[kEvalTableSize];
extern u32 g_eval_top_rank[kEvalTableSize];
// Up to five highest ranks, highest first, the last of them in bits 0-3.
extern u32 g_eval_top_five[kEvalTableSize];
// Category 4 and top rank of the best five-card run of a set of at most seven
// ranks (the wheel counts with top rank 3); 0 without a run.
extern u32 g_eval_straight[kEvalTableSize];
// The three / five lowest ranks among deuce to nine, as a bit set.
extern u32 g_eval_low_three[kEvalTableSize];
extern u32 g_eval_low_five[kEvalTableSize];
extern bool g_eval_tables_ready;
