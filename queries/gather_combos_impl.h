// Body of the combo projection, compiled once per processor variant inside a
// namespace of its own (gather_combos_generic.cpp, gather_combos_avx2.cpp).
// Static functions only, so that neither variant emits a symbol the other
// could be linked against.
#pragma once

#include "platform/int_types.h"

// 1326 combos; kept here because the AVX2 unit includes nothing shared.
static constexpr int kGatherCombos = 1326;

static inline f64 gather_one(const f64* src, i16 position) {
    return position >= 0 ? src[position] : __builtin_nan("");
}

static inline void gather_combos_scalar(f64* out, const f64* src, const i16* map, int first) {
    for (int c = first; c < kGatherCombos; ++c) out[c] = gather_one(src, map[c]);
}
