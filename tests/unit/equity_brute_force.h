// Showdown equity by brute force, for the equity and expected-value query
// tests: a seven-card ranking of its own (independent of the system's
// evaluator) and the mean result of a hand against an opponent range over
// every runout of the missing board cards.
#pragma once

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "cards/hand_tables.h"
#include "platform/int_types.h"

namespace brute {

inline int rank_of(int card) {
    return card % 13;
}
inline int suit_of(int card) {
    return card / 13;
}

// Highest rank of a five-rank run in a 13-bit rank mask (the wheel counts
// with the five high), or -1.
inline int straight_high(unsigned ranks) {
    for (int high = 12; high >= 4; --high) {
        const unsigned run = 0x1Fu << (high - 4);
        if ((ranks & run) == run) return high;
    }
    const unsigned wheel = (1u << 12) | 0xFu;
    return (ranks & wheel) == wheel ? 3 : -1;
}

struct HandRank {
    u64 value = 0;
    int nibbles = 0;
    void push(int x) {
        value = value * 16 + static_cast<u64>(x);
        ++nibbles;
    }
    u64 finish(int category) {
        while (nibbles < 5) push(0);
        return (static_cast<u64>(category) << 20) | value;
    }
};

// Ranks present with at least `count` cards, highest first, skipping `skip`.
inline std::vector<int> ranks_with(const int counts[13], int count, int skip = -1, int skip2 = -1) {
    std::vector<int> out;
    for (int r = 12; r >= 0; --r) {
        if (counts[r] >= count && r != skip && r != skip2) out.push_back(r);
    }
    return out;
}

inline u64 rank7(const std::array<int, 7>& cards) {
    int counts[13] = {};
    unsigned suit_ranks[4] = {};
    unsigned all = 0;
    for (int c : cards) {
        ++counts[rank_of(c)];
        suit_ranks[suit_of(c)] |= 1u << rank_of(c);
        all |= 1u << rank_of(c);
    }
    HandRank h;
    for (unsigned s : suit_ranks) {
        if (__builtin_popcount(s) < 5) continue;
        const int sf = straight_high(s);
        if (sf >= 0) {
            h.push(sf);
            return h.finish(8);
        }
    }
    const std::vector<int> quads = ranks_with(counts, 4);
    if (!quads.empty()) {
        h.push(quads[0]);
        h.push(ranks_with(counts, 1, quads[0])[0]);
        return h.finish(7);
    }
    const std::vector<int> trips = ranks_with(counts, 3);
    if (!trips.empty()) {
        const std::vector<int> pairs = ranks_with(counts, 2, trips[0]);
        if (!pairs.empty()) {
            h.push(trips[0]);
            h.push(pairs[0]);
            return h.finish(6);
        }
    }
    for (unsigned s : suit_ranks) {
        if (__builtin_popcount(s) < 5) continue;
        for (int r = 12, n = 0; r >= 0 && n < 5; --r) {
            if (s & (1u << r)) {
                h.push(r);
                ++n;
            }
        }
        return h.finish(5);
    }
    const int straight = straight_high(all);
    if (straight >= 0) {
        h.push(straight);
        return h.finish(4);
    }
    if (!trips.empty()) {
        h.push(trips[0]);
        const std::vector<int> kickers = ranks_with(counts, 1, trips[0]);
        h.push(kickers[0]);
        h.push(kickers[1]);
        return h.finish(3);
    }
    const std::vector<int> pairs = ranks_with(counts, 2);
    if (pairs.size() >= 2) {
        h.push(pairs[0]);
        h.push(pairs[1]);
        h.push(ranks_with(counts, 1, pairs[0], pairs[1])[0]);
        return h.finish(2);
    }
    if (pairs.size() == 1) {
        h.push(pairs[0]);
        const std::vector<int> kickers = ranks_with(counts, 1, pairs[0]);
        for (int k = 0; k < 3; ++k) h.push(kickers[static_cast<std::size_t>(k)]);
        return h.finish(1);
    }
    const std::vector<int> high = ranks_with(counts, 1);
    for (int k = 0; k < 5; ++k) h.push(high[static_cast<std::size_t>(k)]);
    return h.finish(0);
}

struct Combo {
    int lo;
    int hi;
    u64 mask() const { return (u64{1} << lo) | (u64{1} << hi); }
};

inline Combo combo_cards(int c) {
    int hi = 1;
    while ((hi + 1) * hi / 2 <= c) ++hi;
    return Combo{c - hi * (hi - 1) / 2, hi};
}

inline int showdown(const Combo& a, const Combo& b, const std::vector<int>& board) {
    std::array<int, 7> ca{};
    std::array<int, 7> cb{};
    for (std::size_t i = 0; i < 5; ++i) ca[i] = cb[i] = board[i];
    ca[5] = a.lo;
    ca[6] = a.hi;
    cb[5] = b.lo;
    cb[6] = b.hi;
    const u64 ra = rank7(ca);
    const u64 rb = rank7(cb);
    return ra > rb ? 1 : (ra < rb ? -1 : 0);
}

// Sum of showdown results of a against b over the ordered runouts of the
// missing board cards that meet neither hand, and the number of runouts.
inline std::pair<f64, f64> runout_results(const Combo& a, const Combo& b, std::vector<int> board) {
    const u64 dead = a.mask() | b.mask();
    u64 used = dead;
    for (int c : board) used |= u64{1} << c;
    if (board.size() == 5) return {static_cast<f64>(showdown(a, b, board)), 1.0};
    f64 sum = 0.0;
    f64 count = 0.0;
    for (int card = 0; card < 52; ++card) {
        if (used & (u64{1} << card)) continue;
        board.push_back(card);
        const auto [s, n] = runout_results(a, b, board);
        board.pop_back();
        sum += s;
        count += n;
    }
    return {sum, count};
}

struct Expected {
    f64 equity;
    f64 weight;
};

inline Expected brute_force(int combo, const std::vector<int>& board, const std::vector<f64>& own,
                            const std::vector<f64>& opponent) {
    const Combo a = combo_cards(combo);
    f64 total = 0.0;
    f64 mass = 0.0;
    f64 runouts = 0.0;
    for (int j = 0; j < kHandCount; ++j) {
        const f64 w = opponent[static_cast<std::size_t>(j)];
        if (w <= 0.0) continue;
        const Combo b = combo_cards(j);
        u64 board_mask = 0;
        for (int c : board) board_mask |= u64{1} << c;
        if (b.mask() & (a.mask() | board_mask)) continue;
        const auto [sum, count] = runout_results(a, b, board);
        total += w * sum / count;
        mass += w;
        runouts = count;
    }
    const f64 equity = mass > 0.0 ? total / mass : 0.0;
    return {equity, runouts * own[static_cast<std::size_t>(combo)] * mass};
}

}  // namespace brute
