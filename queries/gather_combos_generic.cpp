#include "queries/split_lookup.h"

namespace gather_combos_generic_impl {
#include "queries/gather_combos_impl.h"
}  // namespace gather_combos_generic_impl

void gather_combos_generic(f64* out, const f64* src, const i16* map) {
    gather_combos_generic_impl::gather_combos_scalar(out, src, map, 0);
}
