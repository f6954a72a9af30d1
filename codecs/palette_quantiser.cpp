#include "codecs/palette_quantiser.h"

#include "platform/cpu_features.h"

namespace {

const PaletteKernels& palette_kernels() {
    static const PaletteKernels& chosen =
        cpu_has_avx2_set() ? palette_kernels_avx2() : palette_kernels_generic();
    return chosen;
}

}  // namespace

// The root covers entries 1 to 2^d - 1, keeping entry 0 for unchanged pixels.
bool quantise_palette(PaletteTree& tree, u8* pixels, u64 n, u32 depth, bool extremes) {
    if (depth > kMaxPaletteDepth) return false;
    tree = PaletteTree{};
    tree.depth = depth;
    if (depth == 0) return true;
    const i64 entries = i64{1} << depth;
    return build_palette_tree(pixels, n, 1, entries, entries / 2, entries / 4, 1, extremes, tree);
}

bool build_palette_tree(u8* pixels, u64 n, i64 first, i64 last, i64 split_entry, i64 split_distance,
                        u32 node, bool extremes, PaletteTree& tree) {
    return palette_kernels().build(pixels, n, first, last, split_entry, split_distance, node,
                                   extremes, tree);
}

bool dither_to_palette(const u8* previous, const u8* image, u8* output, u32 width, u32 height,
                       const PaletteTree& tree) {
    return palette_kernels().dither(previous, image, output, width, height, tree);
}
