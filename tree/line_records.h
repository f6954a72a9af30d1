// Flattened form of the line tree: one `LineRecord` per line node, parents
// before children, as tree creation takes them. Kept free of standard
// containers because the AVX2 variant of the record kernel includes it.
#pragma once

#include "platform/int_types.h"

// Kind 0 is a decision node, 1 a terminal node without a fold (showdown),
// 2 a fold.
struct LineRecord {
    u32 kind;
    i32 parent;
    u32 player;
    u32 street;
    f64 amount;
};
static_assert(sizeof(LineRecord) == 24, "LineRecord is laid out as five packed fields");

inline constexpr u32 kLineDecision = 0;
inline constexpr u32 kLineShowdown = 1;
inline constexpr u32 kLineFold = 2;
// Player and street of a terminal record, which nothing reads.
inline constexpr u32 kLineUnused = 0xFFFFFFFFu;
// The last street a decision can stand on (1 flop, 2 turn, 3 river).
inline constexpr i32 kLastStreet = 3;

// What the record kernel needs of one line node, gathered by the tree walk so
// that the kernel touches no container.
struct LineNodeFacts {
    i32 parent;  // record index of the parent, -1 for the first node
    u32 has_children;
    u32 player;
    i32 street_offset;
    f64 key;  // key of the edge that leads to the node
    f64 amount;
    f64 committed[2];
};

// Fills records[0..count) from facts[0..count) and returns the index of the
// first node that cannot be built, or -1. A node cannot be built when it is a
// decision after the river has closed, or a leaf that is not a fold while the
// players' committed totals differ (a bet whose responses were cut away).
// Terminal amounts are the leaf's amount plus half the pot.
i64 fill_line_records_generic(const LineNodeFacts* facts, i64 count, f64 pot, i32 root_street,
                              LineRecord* records);
i64 fill_line_records_avx2(const LineNodeFacts* facts, i64 count, f64 pot, i32 root_street,
                           LineRecord* records);
