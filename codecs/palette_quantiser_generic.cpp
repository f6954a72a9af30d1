// Generic palette quantiser; also the home of the selection and the search,
// which have no processor variants of their own.
#include <vector>

#include "codecs/palette_quantiser.h"

namespace {

#include "codecs/palette_quantiser_impl.h"

const PaletteKernels kGeneric = {build_body, dither_body};

}  // namespace

const PaletteKernels& palette_kernels_generic() {
    return kGeneric;
}

void select_by_component(u8* records, u64 lo, u64 hi, u32 component, u64 k) {
    if (component > 2 || k < lo || k >= hi) return;
    select_records(records, lo, hi, component, k);
}

void find_nearest_palette_entry(const PaletteTree& tree, i32 c0, i32 c1, i32 c2, u32& best_entry,
                                i32& best_distance, u32 node) {
    // Nodes from 2^(d+1) on would name entries past the palette.
    if (tree.depth > kMaxPaletteDepth || node == 0 || node >= (2u << tree.depth)) return;
    nearest_entry(tree, c0, c1, c2, best_entry, best_distance, node);
}
