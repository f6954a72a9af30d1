// Body of the record kernel, compiled once per processor variant inside a
// namespace of its own (line_records_generic.cpp, line_records_avx2.cpp).
// Only static functions and plain types here, so that neither variant emits a
// symbol that the other could be linked against.
#pragma once

#include "tree/line_records.h"

static inline LineRecord line_record_of(const LineNodeFacts& f, f64 half_pot, i32 root_street) {
    if (f.has_children) {
        return LineRecord{kLineDecision, f.parent, f.player,
                          static_cast<u32>(root_street + f.street_offset), 0.0};
    }
    // half_pot + amount is one rounding in both variants: half_pot is exact,
    // so a fused multiply-add could not change the sum either.
    const u32 kind = f.key >= 0.0 ? kLineShowdown : kLineFold;
    return LineRecord{kind, f.parent, kLineUnused, kLineUnused, half_pot + f.amount};
}

static inline bool line_record_buildable(const LineNodeFacts& f, const LineRecord& r) {
    if (r.kind == kLineDecision) return static_cast<i32>(r.street) <= kLastStreet;
    if (r.kind == kLineFold) return true;
    return f.committed[0] == f.committed[1];
}

static inline i64 fill_line_records_body(const LineNodeFacts* facts, i64 count, f64 pot,
                                         i32 root_street, LineRecord* records) {
    const f64 half_pot = pot * 0.5;
    i64 first_invalid = -1;
    for (i64 i = 0; i < count; ++i) {
        records[i] = line_record_of(facts[i], half_pot, root_street);
        if (first_invalid < 0 && !line_record_buildable(facts[i], records[i])) first_invalid = i;
    }
    return first_invalid;
}
