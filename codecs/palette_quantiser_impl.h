// Body of the palette quantiser, included inside a namespace of its own by
// palette_quantiser_generic.cpp and palette_quantiser_avx2.cpp.

static inline void swap_records(u8* records, u64 a, u64 b) {
    u8 t[4];
    __builtin_memcpy(t, records + 4 * a, 4);
    __builtin_memcpy(records + 4 * a, records + 4 * b, 4);
    __builtin_memcpy(records + 4 * b, t, 4);
}

// Partitions records lo to hi - 2 around the pivot in record hi - 1: smaller
// values go left, and so does every second value equal to the pivot
// (starting with the second met), which keeps runs of equal values from
// piling up on one side. Returns the pivot's final position.
static u64 partition_records(u8* records, u64 lo, u64 hi, u32 c) {
    const u8 pivot = records[4 * (hi - 1) + c];
    u64 p = lo;
    u32 equal_seen = 0;
    for (u64 i = lo; i + 1 < hi; ++i) {
        const u8 v = records[4 * i + c];
        bool left = v < pivot;
        if (v == pivot) left = (++equal_seen & 1) == 0;
        if (left) swap_records(records, i, p++);
    }
    swap_records(records, hi - 1, p);
    return p;
}

static void select_records(u8* records, u64 lo, u64 hi, u32 c, u64 k) {
    while (lo + 1 < hi) {
        swap_records(records, lo + (hi - lo) / 2, hi - 1);
        const u64 p = partition_records(records, lo, hi, c);
        if (p == k) return;
        if (p > k) {
            hi = p;
        } else {
            lo = p + 1;
        }
    }
}

static void fill_entry(const u8* pixels, u64 n, u64 e, bool extremes, PaletteTree& tree) {
    const u64 top = (u64{1} << tree.depth) - 1;
    const bool minimum = extremes && e == 1;
    const bool maximum = extremes && e == top && e != 1;
    for (u32 c = 0; c < 3; ++c) {
        u64 sum = 0;
        u8 low = 255;
        u8 high = 0;
        for (u64 i = 0; i < n; ++i) {
            const u8 v = pixels[4 * i + c];
            sum += v;
            low = v < low ? v : low;
            high = v > high ? v : high;
        }
        tree.palette[c][e] = minimum ? low : maximum ? high : static_cast<u8>((sum + n / 2) / n);
    }
}

static u32 widest_component(const u8* pixels, u64 n) {
    i32 range[3];
    for (u32 c = 0; c < 3; ++c) {
        u8 low = 255;
        u8 high = 0;
        for (u64 i = 0; i < n; ++i) {
            const u8 v = pixels[4 * i + c];
            low = v < low ? v : low;
            high = v > high ? v : high;
        }
        range[c] = high - low;
    }
    if (range[0] > range[1] && range[0] > range[2]) return 0;
    return range[2] > range[1] ? 2 : 1;
}

// Recursion follows the tree: every call works on a strictly smaller entry
// range at a node twice as deep, and stops below node 2^d.
static bool build_body(u8* pixels, u64 n, i64 first, i64 last, i64 split, i64 distance, u32 node,
                       bool extremes, PaletteTree& tree) {
    if (tree.depth > kMaxPaletteDepth) return false;
    const i64 entries = i64{1} << tree.depth;
    if (first < 0 || last > entries) return false;
    if (last <= first || n == 0) return true;
    if (last == first + 1) {
        fill_entry(pixels, n, static_cast<u64>(first), extremes, tree);
        return true;
    }
    if (node == 0 || node >= entries || split <= first || split >= last) return false;
    const u32 c = widest_component(pixels, n);
    const u64 k = static_cast<u64>(split - first) * n / static_cast<u64>(last - first);
    select_records(pixels, 0, n, c, k);
    tree.split_component[node] = static_cast<u8>(c);
    tree.split_value[node] = pixels[4 * k + c];
    const bool left = build_body(pixels, k, first, split, split - distance, distance / 2, 2 * node,
                                 extremes, tree);
    const bool right = build_body(pixels + 4 * k, n - k, split, last, split + distance,
                                  distance / 2, 2 * node + 1, extremes, tree);
    return left && right;
}

// Distances are 64-bit: a colour may lie anywhere in 32 bits, and the
// best distance (32-bit) only ever takes a smaller value.
static void nearest_entry(const PaletteTree& tree, i64 c0, i64 c1, i64 c2, u32& best_entry,
                          i32& best_distance, u32 node) {
    const u32 leaves = 1u << tree.depth;
    if (node >= leaves) {
        const u32 e = node - leaves;
        if (e == 0) return;
        const i64 d = __builtin_llabs(c0 - tree.palette[0][e]) +
                      __builtin_llabs(c1 - tree.palette[1][e]) +
                      __builtin_llabs(c2 - tree.palette[2][e]);
        if (d < best_distance) {
            best_distance = static_cast<i32>(d);
            best_entry = e;
        }
        return;
    }
    const u32 c = tree.split_component[node];
    const i64 v = c == 0 ? c0 : c == 1 ? c1 : c2;
    const i64 s = tree.split_value[node];
    if (s > v) {
        nearest_entry(tree, c0, c1, c2, best_entry, best_distance, 2 * node);
        if (best_distance > s - v)
            nearest_entry(tree, c0, c1, c2, best_entry, best_distance, 2 * node + 1);
    } else {
        nearest_entry(tree, c0, c1, c2, best_entry, best_distance, 2 * node + 1);
        if (best_distance > v - s)
            nearest_entry(tree, c0, c1, c2, best_entry, best_distance, 2 * node);
    }
}

// Working values are 64-bit: error keeps piling up where the palette cannot
// reach a colour, and 32 bits would overflow on tall images.
static void spread_error(i64* work, u64 i, u64 count, u32 width, u32 c, i64 error) {
    const u64 targets[4] = {i + 1, i + width - 1, i + width, i + width + 1};
    const i64 weights[4] = {7, 3, 5, 1};
    for (i32 t = 0; t < 4; ++t) {
        const u64 j = targets[t];
        // A target at or before i is finished (only images one pixel wide
        // have one): its values are colour bytes now, not scaled values.
        if (j <= i || j >= count) continue;
        i64& target = work[4 * j + c];
        const i64 share = error * weights[t] / 16;
        target += share < -target ? -target : share;
    }
}

static bool dither_body(const u8* previous, const u8* image, u8* output, u32 width, u32 height,
                        const PaletteTree& tree) {
    if (tree.depth > kMaxPaletteDepth) return false;
    const u64 count = static_cast<u64>(width) * height;
    std::vector<i64> work(4 * count);
    for (u64 k = 0; k < 4 * count; ++k) work[k] = i64{image[k]} * 256;
    for (u64 i = 0; i < count; ++i) {
        i64* w = &work[4 * i];
        i64 rounded[3];
        for (u32 c = 0; c < 3; ++c) rounded[c] = (w[c] + 127) / 256;
        if (previous && previous[4 * i] == rounded[0] && previous[4 * i + 1] == rounded[1] &&
            previous[4 * i + 2] == rounded[2]) {
            for (u32 c = 0; c < 3; ++c) w[c] = rounded[c];
            w[3] = 0;
            continue;
        }
        u32 entry = 0;
        if (tree.depth >= 1) {
            i32 best = 1000000;
            nearest_entry(tree, rounded[0], rounded[1], rounded[2], entry, best, 1);
        }
        for (u32 c = 0; c < 3; ++c) {
            const i64 error = w[c] - 256 * i64{tree.palette[c][entry]};
            w[c] = tree.palette[c][entry];
            spread_error(work.data(), i, count, width, c, error);
        }
        w[3] = entry;
    }
    for (u64 k = 0; k < 4 * count; ++k) output[k] = static_cast<u8>(work[k]);
    return true;
}
