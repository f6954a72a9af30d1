// Huffman code lengths: leaves sorted by decreasing count with a bucket sort,
// the tree built with two cursors (one over the leaves from the rarest up,
// one over the new nodes), then lengths above the limit cut down and the cost
// of that repaid by lengthening the cheapest shorter codes.
#include <cstring>

#include "codecs/fse/bit_stream.h"
#include "codecs/fse/fse_internal.h"
#include "codecs/fse/huf.h"

namespace {

using fse_detail::highbit32;

struct Node {
    u32 count;
    u16 parent;
    u8 symbol;
    u8 nb_bits;
};

constexpr u32 kStartNode = kHufMaxSymbolValue + 1;
constexpr u32 kNoLeaf = 0xF0F0F0F0;
// Lengths before limiting can reach the number of leaves; only lengths up to
// this are kept (the limit is 12, so a larger one is refused).
constexpr u32 kLongestCode = 16;

// Leaves 0..max_symbol_value by decreasing count, equal counts in symbol
// order: bucket by highbit(count + 1), then insertion within the bucket.
void sort_leaves(Node* nodes, const u32* count, u32 max_symbol_value) {
    struct Rank {
        u32 base;
        u32 current;
    };
    Rank rank[32] = {};
    for (u32 s = 0; s <= max_symbol_value; ++s) ++rank[highbit32(count[s] + 1)].base;
    for (u32 r = 30; r > 0; --r) rank[r - 1].base += rank[r].base;
    for (Rank& r : rank) r.current = r.base;
    for (u32 s = 0; s <= max_symbol_value; ++s) {
        const u32 c = count[s];
        const u32 r = highbit32(c + 1) + 1;
        u32 pos = rank[r].current++;
        while (pos > rank[r].base && c > nodes[pos - 1].count) {
            nodes[pos] = nodes[pos - 1];
            --pos;
        }
        nodes[pos].count = c;
        nodes[pos].symbol = static_cast<u8>(s);
    }
}

// Limits the lengths of leaves 0..last (by decreasing count, so by
// increasing length) to max_nb_bits, which leaves room for them all. Returns
// the longest length, or 0 when the repayment finds no leaf to lengthen.
u32 set_max_height(Node* nodes, u32 last, u32 max_nb_bits) {
    const u32 largest_bits = nodes[last].nb_bits;
    if (largest_bits <= max_nb_bits) return largest_bits;

    // Cutting every longer code to the limit overspends the code space; the
    // cost is counted in units of 2^-max_nb_bits. Depths before the cut reach
    // about 43 for totals below 2^30, hence 64 bits.
    i64 total_cost = 0;
    const u64 base_cost = u64{1} << (largest_bits - max_nb_bits);
    i32 n = static_cast<i32>(last);
    while (nodes[n].nb_bits > max_nb_bits) {
        total_cost += static_cast<i64>(base_cost - (u64{1} << (largest_bits - nodes[n].nb_bits)));
        nodes[n].nb_bits = static_cast<u8>(max_nb_bits);
        --n;
    }
    while (nodes[n].nb_bits == max_nb_bits) --n;
    total_cost >>= (largest_bits - max_nb_bits);

    // rank_last[k]: the last (rarest) leaf of length max_nb_bits - k.
    u32 rank_last[kHufMaxTableLog + 1];
    for (u32& r : rank_last) r = kNoLeaf;
    u32 current_bits = max_nb_bits;
    for (i32 pos = n; pos >= 0; --pos) {
        if (nodes[pos].nb_bits >= current_bits) continue;
        current_bits = nodes[pos].nb_bits;
        rank_last[max_nb_bits - current_bits] = static_cast<u32>(pos);
    }

    while (total_cost > 0) {
        // Lengthen the leaf whose extra bit costs the least: prefer the
        // largest rank the cost allows, unless the rank below offers a leaf
        // at most half as frequent.
        u32 k = highbit32(static_cast<u32>(total_cost)) + 1;  // total_cost <= 256 here
        for (; k > 1; --k) {
            const u32 high = rank_last[k];
            const u32 low = rank_last[k - 1];
            if (high == kNoLeaf) continue;
            if (low == kNoLeaf) break;
            if (nodes[high].count <= 2 * nodes[low].count) break;
        }
        while (k < max_nb_bits && rank_last[k] == kNoLeaf) ++k;
        if (k >= max_nb_bits) return 0;
        total_cost -= i64{1} << (k - 1);
        if (rank_last[k - 1] == kNoLeaf) rank_last[k - 1] = rank_last[k];
        ++nodes[rank_last[k]].nb_bits;
        if (rank_last[k] == 0) {
            rank_last[k] = kNoLeaf;
        } else {
            --rank_last[k];
            if (nodes[rank_last[k]].nb_bits != max_nb_bits - k) rank_last[k] = kNoLeaf;
        }
    }
    // The repayment may overshoot: give bits back to the rarest leaves one
    // shorter than the limit.
    while (total_cost < 0) {
        if (rank_last[1] == kNoLeaf) {
            while (nodes[n].nb_bits == max_nb_bits) --n;
            --nodes[n + 1].nb_bits;
            rank_last[1] = static_cast<u32>(n + 1);
        } else {
            --nodes[rank_last[1] + 1].nb_bits;
            ++rank_last[1];
        }
        ++total_cost;
    }
    return max_nb_bits;
}

}  // namespace

u64 HUF_buildCTable(HUF_CElt* tree, const u32* count, u32 maxSymbolValue, u32 maxNbBits) {
    using fse_detail::error;
    if (maxNbBits == 0) maxNbBits = kHufMaxTableLog;
    if (maxNbBits > kHufMaxTableLog) return error(FSE_ERROR_GENERIC);
    if (maxSymbolValue > kHufMaxSymbolValue) return error(FSE_ERROR_GENERIC);
    u32 symbols = 0;
    u64 total = 0;
    for (u32 s = 0; s <= maxSymbolValue; ++s) {
        symbols += count[s] != 0;
        total += count[s];
    }
    if (symbols < 2 || total >= kHufMaxSourceSize) return error(FSE_ERROR_GENERIC);
    // No code of maxNbBits bits has room for more than 2^maxNbBits symbols.
    const u32 needed = highbit32(symbols - 1) + 1;
    if (maxNbBits < needed) maxNbBits = needed;

    // Entry 0 is the sentinel below leaf 0: its count stops the leaf cursor.
    Node storage[1 + 2 * (kHufMaxSymbolValue + 1)];
    std::memset(storage, 0, sizeof storage);
    Node* nodes = storage + 1;
    sort_leaves(nodes, count, maxSymbolValue);

    u32 last = maxSymbolValue;
    while (nodes[last].count == 0) --last;
    i32 low_leaf = static_cast<i32>(last);
    u32 low_node = kStartNode;
    u32 next = kStartNode;
    const u32 root = kStartNode + last - 1;
    nodes[next].count = nodes[low_leaf].count + nodes[low_leaf - 1].count;
    nodes[low_leaf].parent = nodes[low_leaf - 1].parent = static_cast<u16>(next);
    ++next;
    low_leaf -= 2;
    for (u32 k = next; k <= root; ++k) nodes[k].count = 1u << 30;
    storage[0].count = 1u << 31;
    while (next <= root) {
        const u32 a = nodes[low_leaf].count < nodes[low_node].count ? static_cast<u32>(low_leaf--)
                                                                    : low_node++;
        const u32 b = nodes[low_leaf].count < nodes[low_node].count ? static_cast<u32>(low_leaf--)
                                                                    : low_node++;
        nodes[next].count = nodes[a].count + nodes[b].count;
        nodes[a].parent = nodes[b].parent = static_cast<u16>(next);
        ++next;
    }

    // Depths: root 0, then every node below it, leaves last.
    nodes[root].nb_bits = 0;
    for (u32 k = root - 1; k >= kStartNode; --k) {
        nodes[k].nb_bits = static_cast<u8>(nodes[nodes[k].parent].nb_bits + 1);
    }
    for (u32 k = 0; k <= last; ++k) {
        const u32 depth = nodes[nodes[k].parent].nb_bits + 1u;
        nodes[k].nb_bits = static_cast<u8>(depth < 255 ? depth : 255);
    }

    const u32 longest = set_max_height(nodes, last, maxNbBits);
    if (longest == 0 || longest > kLongestCode) return error(FSE_ERROR_GENERIC);

    // Canonical values: each length's codes follow one another in symbol
    // order, the longest lengths taking the smallest values.
    u16 per_length[kLongestCode + 1] = {};
    u16 first_value[kLongestCode + 1] = {};
    for (u32 k = 0; k <= last; ++k) ++per_length[nodes[k].nb_bits];
    u32 value = 0;
    for (u32 len = longest; len > 0; --len) {
        first_value[len] = static_cast<u16>(value);
        value = (value + per_length[len]) >> 1;
    }
    for (u32 k = 0; k <= maxSymbolValue; ++k) tree[nodes[k].symbol].nbBits = nodes[k].nb_bits;
    for (u32 s = 0; s <= maxSymbolValue; ++s) tree[s].val = first_value[tree[s].nbBits]++;
    return longest;
}
