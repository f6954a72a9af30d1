// Palette quantiser: the tree against brute-force searches and sorted
// copies, the entries it fills, dithering, and the mends (64-bit sizes,
// one-pixel-wide images, depths above 8).
#include "codecs/palette_quantiser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "platform/cpu_features.h"

namespace {

using Pixels = std::vector<u8>;

Pixels random_pixels(std::mt19937& gen, std::size_t n, int low = 1, int high = 255) {
    std::uniform_int_distribution<int> component(low, high);
    Pixels p(4 * n);
    for (std::size_t i = 0; i < n; ++i) {
        for (int c = 0; c < 3; ++c) p[4 * i + c] = static_cast<u8>(component(gen));
        p[4 * i + 3] = static_cast<u8>(i);
    }
    return p;
}

int distance(const PaletteTree& t, u32 e, int c0, int c1, int c2) {
    return std::abs(c0 - t.palette[0][e]) + std::abs(c1 - t.palette[1][e]) +
           std::abs(c2 - t.palette[2][e]);
}

// Entries of the leaves below `node`.
void entries_below(const PaletteTree& t, u32 node, std::vector<u32>& out) {
    const u32 leaves = 1u << t.depth;
    if (node >= leaves) {
        out.push_back(node - leaves);
        return;
    }
    entries_below(t, 2 * node, out);
    entries_below(t, 2 * node + 1, out);
}

TEST(PaletteQuantiser, TreesFillEveryEntryAndOrderTheirSplits) {
    std::mt19937 gen(1);
    for (u32 d : {1u, 2u, 4u, 8u}) {
        const u32 entries = 1u << d;
        Pixels pixels = random_pixels(gen, 4 * entries + 13);
        PaletteTree tree;
        ASSERT_TRUE(quantise_palette(tree, pixels.data(), pixels.size() / 4, d, false));
        for (u32 e = 1; e < entries; ++e) {
            EXPECT_TRUE(tree.palette[0][e] || tree.palette[1][e] || tree.palette[2][e])
                << d << " " << e;
        }
        for (u32 e = entries; e < 256; ++e) EXPECT_EQ(tree.palette[0][e], 0) << "beyond 2^d";
        // Entries of a node's left subtree lie at or below its split value in
        // its split component, those on the right at or above.
        for (u32 node = 1; node < entries / 2; ++node) {
            std::vector<u32> left, right;
            entries_below(tree, 2 * node, left);
            entries_below(tree, 2 * node + 1, right);
            const u32 c = tree.split_component[node];
            const u8 s = tree.split_value[node];
            for (u32 e : left) {
                if (e != 0) EXPECT_LE(tree.palette[c][e], s) << d << " node " << node;
            }
            for (u32 e : right) EXPECT_GE(tree.palette[c][e], s) << d << " node " << node;
        }
    }
}

TEST(PaletteQuantiser, SearchFindsTheNearestEntry) {
    std::mt19937 gen(2);
    std::uniform_int_distribution<int> colour(0, 300);
    for (u32 d : {2u, 5u, 8u}) {
        Pixels pixels = random_pixels(gen, 4000);
        PaletteTree tree;
        ASSERT_TRUE(quantise_palette(tree, pixels.data(), 4000, d, d == 5));
        for (int k = 0; k < 10000; ++k) {
            const int c0 = colour(gen), c1 = colour(gen), c2 = colour(gen);
            int best = 1000000;
            for (u32 e = 1; e < (1u << d); ++e)
                best = std::min(best, distance(tree, e, c0, c1, c2));
            u32 entry = 0;
            i32 found = 1000000;
            find_nearest_palette_entry(tree, c0, c1, c2, entry, found, 1);
            ASSERT_NE(entry, 0u);
            ASSERT_EQ(found, best) << d;
            ASSERT_EQ(distance(tree, entry, c0, c1, c2), best);
        }
    }
}

TEST(PaletteQuantiser, TiesKeepTheFirstEntryOfTheSearchOrder) {
    PaletteTree tree;
    tree.depth = 2;
    tree.split_value[1] = 100;  // component 0: a value of 100 searches the right side first
    tree.split_value[3] = 150;  // and there entry 2 (110) before entry 3
    const u8 colours[4] = {0, 90, 110, 200};
    for (u32 e = 0; e < 4; ++e) tree.palette[0][e] = colours[e];
    u32 entry = 0;
    i32 best = 1000000;
    find_nearest_palette_entry(tree, 100, 0, 0, entry, best, 1);
    EXPECT_EQ(entry, 2u);
    EXPECT_EQ(best, 10);
}

TEST(PaletteQuantiser, ExtremesFlag) {
    // One pixel below all others in every component and one above: each
    // ends in the outermost leaf, whose entry is then that pixel itself.
    std::mt19937 gen(3);
    Pixels pixels = random_pixels(gen, 500, 20, 230);
    for (int c = 0; c < 3; ++c) {
        pixels[4 * 17 + c] = 3;
        pixels[4 * 300 + c] = 250;
    }
    PaletteTree with, without;
    Pixels copy = pixels;
    quantise_palette(with, pixels.data(), 500, 4, true);
    quantise_palette(without, copy.data(), 500, 4, false);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(with.palette[c][1], 3);
        EXPECT_EQ(with.palette[c][15], 250);
        EXPECT_GT(without.palette[c][1], 3);
        EXPECT_LT(without.palette[c][15], 250);
    }
}

TEST(PaletteQuantiser, SelectionMatchesASortedCopy) {
    std::mt19937 gen(4);
    for (int round = 0; round < 200; ++round) {
        const std::size_t n = 1 + gen() % 300;
        // Few distinct values make long runs of equal ones.
        Pixels records = random_pixels(gen, n, 0, round % 2 ? 3 : 255);
        const u32 c = gen() % 3;
        const u64 k = gen() % n;
        std::vector<u8> sorted;
        for (std::size_t i = 0; i < n; ++i) sorted.push_back(records[4 * i + c]);
        std::sort(sorted.begin(), sorted.end());
        select_by_component(records.data(), 0, n, c, k);
        ASSERT_EQ(records[4 * k + c], sorted[k]);
        for (u64 i = 0; i < k; ++i) ASSERT_LE(records[4 * i + c], sorted[k]);
        for (u64 i = k + 1; i < n; ++i) ASSERT_GE(records[4 * i + c], sorted[k]);
    }
    // A sorted run of one value: the loop finishes without deep recursion.
    Pixels same(4 * 200000, 7);
    select_by_component(same.data(), 0, 200000, 0, 150000);
}

// Mend: the split index (split entry - first) x n / (last - first) passes
// 2^31 from 8.4 million pixels on at a split 255 entries in; it is 64-bit.
TEST(PaletteQuantiser, SplitIndexOfLargeImages) {
    const u64 n = 8500000;
    Pixels pixels(4 * n, 0);
    u64 count[256] = {};
    for (u64 i = 0; i < n; ++i) {
        const u8 v = static_cast<u8>((i * 2654435761u) >> 13);
        pixels[4 * i] = v;
        ++count[v];
    }
    const u64 k = 255 * n / 256;
    u32 want = 0;
    for (u64 below = count[0]; below <= k; below += count[++want]) {
    }
    PaletteTree tree;
    tree.depth = 8;
    // The left range has no split of its own (distance 0); only the root's
    // split is looked at.
    build_palette_tree(pixels.data(), n, 0, 256, 255, 0, 1, false, tree);
    EXPECT_EQ(tree.split_component[1], 0);
    EXPECT_EQ(tree.split_value[1], want);
}

PaletteTree black_and_white() {
    PaletteTree tree;
    tree.depth = 2;
    tree.split_value[1] = 128;
    for (int c = 0; c < 3; ++c) {
        tree.palette[c][2] = 255;
        tree.palette[c][3] = 255;
    }
    return tree;
}

TEST(PaletteQuantiser, DitheringKeepsTheMeanIntensity) {
    const PaletteTree tree = black_and_white();
    for (u8 grey : {u8{30}, u8{64}, u8{128}, u8{200}}) {
        const u32 w = 64, h = 64;
        Pixels image(4 * w * h, grey), out(4 * w * h);
        ASSERT_TRUE(dither_to_palette(nullptr, image.data(), out.data(), w, h, tree));
        double sum = 0;
        for (u32 i = 0; i < w * h; ++i) {
            ASSERT_TRUE(out[4 * i] == 0 || out[4 * i] == 255);
            ASSERT_EQ(out[4 * i + 3] == 1, out[4 * i] == 0);
            sum += out[4 * i];
        }
        EXPECT_NEAR(sum / (w * h), grey, 2.0) << int(grey);
    }
}

TEST(PaletteQuantiser, PaletteColoursMapToThemselves) {
    std::mt19937 gen(5);
    Pixels pixels = random_pixels(gen, 2000);
    PaletteTree tree;
    quantise_palette(tree, pixels.data(), 2000, 4, false);
    const u32 w = 15, h = 9;
    Pixels image(4 * w * h), out(4 * w * h);
    for (u32 i = 0; i < w * h; ++i) {
        const u32 e = 1 + i % 15;
        for (int c = 0; c < 3; ++c) image[4 * i + c] = tree.palette[c][e];
    }
    ASSERT_TRUE(dither_to_palette(nullptr, image.data(), out.data(), w, h, tree));
    for (u32 i = 0; i < w * h; ++i) {
        const u32 e = out[4 * i + 3];
        ASSERT_NE(e, 0u);
        ASSERT_LT(e, 16u);
        for (int c = 0; c < 3; ++c) ASSERT_EQ(out[4 * i + c], image[4 * i + c]) << i;
    }
}

TEST(PaletteQuantiser, PixelsEqualToThePreviousImageGetEntryZero) {
    const PaletteTree tree = black_and_white();
    Pixels image = {100, 100, 100, 9, 100, 100, 100, 9};
    Pixels previous = {100, 100, 100, 0, 1, 2, 3, 0};
    Pixels out(8);
    ASSERT_TRUE(dither_to_palette(previous.data(), image.data(), out.data(), 2, 1, tree));
    EXPECT_EQ(out, (Pixels{100, 100, 100, 0, 0, 0, 0, 1}));
    ASSERT_TRUE(dither_to_palette(nullptr, image.data(), out.data(), 2, 1, tree));
    EXPECT_EQ(out[3], 1);
}

TEST(PaletteQuantiser, OnePixelWideImagesKeepTheirFinishedPixels) {
    std::mt19937 gen(6);
    Pixels pixels = random_pixels(gen, 300);
    PaletteTree tree;
    quantise_palette(tree, pixels.data(), 300, 3, false);
    Pixels image = random_pixels(gen, 50), out(4 * 50);
    ASSERT_TRUE(dither_to_palette(nullptr, image.data(), out.data(), 1, 50, tree));
    for (u32 i = 0; i < 50; ++i) {
        const u32 e = out[4 * i + 3];
        ASSERT_GE(e, 1u);
        for (int c = 0; c < 3; ++c) ASSERT_EQ(out[4 * i + c], tree.palette[c][e]) << i;
    }
}

TEST(PaletteQuantiser, DepthsAboveEightAndBadNodesAreRefused) {
    Pixels pixels(4 * 10, 5);
    PaletteTree tree;
    EXPECT_FALSE(quantise_palette(tree, pixels.data(), 10, 9, false));
    tree.depth = 9;
    Pixels out(4 * 10);
    EXPECT_FALSE(dither_to_palette(nullptr, pixels.data(), out.data(), 10, 1, tree));
    tree.depth = 3;
    EXPECT_FALSE(
        build_palette_tree(pixels.data(), 10, 1, 8, 1, 0, 1, false, tree));  // split at first
    EXPECT_FALSE(build_palette_tree(pixels.data(), 10, 1, 9, 4, 2, 1, false, tree));  // past 2^d
    u32 entry = 0;
    i32 best = 1000000;
    find_nearest_palette_entry(tree, 1, 2, 3, entry, best, 0);
    EXPECT_EQ(entry, 0u);
}

// Mend: a node past the leaves named an entry past the palette, and far-off
// colours overflowed the 32-bit distances; the search stays inside the
// palette and measures in 64 bits.
TEST(PaletteQuantiser, SearchTakesAnyNodeAndColour) {
    std::mt19937 gen(8);
    Pixels pixels = random_pixels(gen, 1000);
    PaletteTree tree;
    quantise_palette(tree, pixels.data(), 1000, 8, false);
    u32 entry = 0;
    i32 best = 1000000;
    for (u32 node : {512u, 513u, 0x80000000u, 0xFFFFFFFFu}) {
        find_nearest_palette_entry(tree, 1, 2, 3, entry, best, node);
        EXPECT_EQ(entry, 0u) << node;
    }
    const i32 far[] = {INT32_MIN, -1000, INT32_MAX};
    for (i32 c0 : far) {
        for (i32 c2 : far) {
            i64 want = INT64_MAX;
            for (u32 e = 1; e < 256; ++e) {
                want = std::min<i64>(want, std::llabs(i64{c0} - tree.palette[0][e]) +
                                               std::llabs(i64{100} - tree.palette[1][e]) +
                                               std::llabs(i64{c2} - tree.palette[2][e]));
            }
            entry = 0;
            best = INT32_MAX;
            find_nearest_palette_entry(tree, c0, 100, c2, entry, best, 1);
            // Only a distance below the starting one finds an entry.
            EXPECT_EQ(entry != 0, want < INT32_MAX) << c0 << " " << c2;
            EXPECT_EQ(best, std::min<i64>(want, INT32_MAX)) << c0 << " " << c2;
        }
    }
}

TEST(PaletteQuantiser, BothVariantsGiveTheSameBytes) {
    if (!cpu_features().avx2_set) GTEST_SKIP() << "no AVX2";
    std::mt19937 gen(7);
    Pixels pixels = random_pixels(gen, 5000);
    Pixels copy = pixels;
    PaletteTree a, b;
    a.depth = b.depth = 6;
    ASSERT_TRUE(palette_kernels_generic().build(pixels.data(), 5000, 1, 64, 32, 16, 1, true, a));
    ASSERT_TRUE(palette_kernels_avx2().build(copy.data(), 5000, 1, 64, 32, 16, 1, true, b));
    EXPECT_EQ(pixels, copy);
    EXPECT_EQ(std::vector<u8>(&a.palette[0][0], &a.palette[0][0] + sizeof a.palette),
              std::vector<u8>(&b.palette[0][0], &b.palette[0][0] + sizeof b.palette));
    Pixels image = random_pixels(gen, 40 * 30), previous = image, out_a(image.size()),
           out_b(image.size());
    for (std::size_t k = 0; k < previous.size(); k += 12) previous[k] ^= 1;
    palette_kernels_generic().dither(previous.data(), image.data(), out_a.data(), 40, 30, a);
    palette_kernels_avx2().dither(previous.data(), image.data(), out_b.data(), 40, 30, a);
    EXPECT_EQ(out_a, out_b);
}

}  // namespace
