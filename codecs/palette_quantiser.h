// Colour palette quantiser over images of 4-byte pixel records (bytes 0-2
// the colour components, byte 3 carried along): median splits choose up to
// 2^d palette entries and record themselves as an implicit binary tree,
// which a nearest-entry search and an error-diffusion ditherer then use.
// Entry 0 is never a search result: the ditherer gives it to pixels equal to
// the same pixel of a previous image. Nothing else in the system calls this
// module; it stands beside the codecs on its own.
#pragma once

#include "platform/int_types.h"

constexpr u32 kMaxPaletteDepth = 8;

// Node 1 is the root, node i has children 2i and 2i + 1, and node 2^d + e
// is the leaf of entry e. Start from a zeroed tree: nodes the builder leaves
// alone send the search to the right child first.
struct PaletteTree {
    u32 depth = 0;
    u8 palette[3][256] = {};       // component, entry
    u8 split_component[256] = {};  // per inner node: 0, 1 or 2
    u8 split_value[256] = {};
};

// Zeroes the tree, sets depth d and fills entries 1 to 2^d - 1 from the n
// records (reordered in place); with `extremes`, entry 1 takes the
// component-wise minimum and entry 2^d - 1 the maximum. False for d above 8.
bool quantise_palette(PaletteTree& tree, u8* pixels, u64 n, u32 depth, bool extremes);

// One step of the builder: entries first to last - 1 from n records, at
// `node`, splitting at `split_entry` with the children's splits
// `split_distance` to either side. False (nothing written) for a depth above
// 8 or arguments that do not describe a node of the tree.
bool build_palette_tree(u8* pixels, u64 n, i64 first, i64 last, i64 split_entry, i64 split_distance,
                        u32 node, bool extremes, PaletteTree& tree);

// Reorders records lo to hi - 1 so that record k holds the value of
// `component` that sorting would put there, none larger before it and none
// smaller after it. Iterative: adversarial input costs time, never stack.
void select_by_component(u8* records, u64 lo, u64 hi, u32 component, u64 k);

// Searches the subtree of `node` for the entry nearest (L1) to the colour;
// only a strictly smaller distance replaces the best one. Node 0 and nodes
// from 2^(d+1) on search nothing.
void find_nearest_palette_entry(const PaletteTree& tree, i32 c0, i32 c1, i32 c2, u32& best_entry,
                                i32& best_distance, u32 node);

// Maps width x height records to entries with error diffusion into output
// (bytes 0-2 the entry's colour, byte 3 its number; 0 and the rounded colour
// for a pixel equal to `previous`, which may be null). False for a depth
// above 8.
bool dither_to_palette(const u8* previous, const u8* image, u8* output, u32 width, u32 height,
                       const PaletteTree& tree);

// Both processor variants of the builder and the ditherer, for tests; the
// AVX2 ones need cpu_features().avx2_set.
struct PaletteKernels {
    bool (*build)(u8*, u64, i64, i64, i64, i64, u32, bool, PaletteTree&);
    bool (*dither)(const u8*, const u8*, u8*, u32, u32, const PaletteTree&);
};
const PaletteKernels& palette_kernels_generic();
const PaletteKernels& palette_kernels_avx2();
