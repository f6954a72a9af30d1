// The two processor variants of `eval_cards`, for the dispatch in
// evaluator.cpp, the tests that compare them and the benchmark. Both build
// the evaluator mask of n card indices and give identical values.
#pragma once

#include "platform/int_types.h"

u32 eval_cards_generic(const u8* cards, int n);
// Only on a processor with the AVX2 feature set.
u32 eval_cards_avx2(const u8* cards, int n);
