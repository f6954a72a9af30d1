// Kernel bodies of the hand evaluator, compiled once per processor variant:
// included inside a namespace of its own by evaluator.cpp (generic) and by
// eval_cards_avx2.cpp. Static inline functions over raw integers and the
// tables of cards/eval_tables.h only, so that no shared inline code can be
// emitted with AVX2 instructions. Include cards/eval_tables.h first.
//
// Notation: c, d, h, s are the rank sets of the four suits, ranks their union,
// odd the ranks held an odd number of times, quads the ranks held four times.

struct SuitSets {
    u32 c, d, h, s, ranks, odd, quads, n;
};

static inline SuitSets split_mask(u64 mask) {
    SuitSets x;
    x.c = static_cast<u32>(mask) & 0x1fff;
    x.d = static_cast<u32>(mask >> 16) & 0x1fff;
    x.h = static_cast<u32>(mask >> 32) & 0x1fff;
    x.s = static_cast<u32>(mask >> 48) & 0x1fff;
    x.ranks = x.c | x.d | x.h | x.s;
    x.odd = x.c ^ x.d ^ x.h ^ x.s;
    x.quads = x.c & x.d & x.h & x.s;
    x.n = g_eval_rank_count[x.ranks];
    return x;
}

static inline u32 top(u32 set) {
    return g_eval_top_rank[set];
}
static inline u32 five(u32 set) {
    return g_eval_top_five[set];
}
static inline u32 count(u32 set) {
    return g_eval_rank_count[set];
}

// With t = 3, 2, 1 for seven, six, five cards, the suit with which the running
// card count reaches t is the only one that can hold five cards: the suits
// before it hold fewer than t, the ones after it share at most n - t cards.
static inline u32 flush_value(const SuitSets& x, u32 threshold) {
    u32 total = count(x.c);
    u32 f = x.s;
    if (total >= threshold) {
        f = x.c;
    } else if ((total += count(x.d)) >= threshold) {
        f = x.d;
    } else if (total + count(x.h) >= threshold) {
        f = x.h;
    }
    if (count(f) < 5) return 0;
    if (g_eval_straight[f] != 0) return g_eval_straight[f] + 0x4000000;
    return 0x5000000 | five(f);
}

// Trips rank of a hand without quads whose trips miss one of c and d: the
// first non-empty of c & d, c & h, d & h.
static inline u32 trips_of_three_suits(const SuitSets& x) {
    if (x.c & x.d) return x.c & x.d;
    if (x.c & x.h) return x.c & x.h;
    return x.d & x.h;
}

static inline u32 eval7_two_trips(const SuitSets& x) {
    const u32 pairs[5] = {x.c & x.d, x.c & x.h, x.c & x.s, x.d & x.h, x.d & x.s};
    for (u32 set : pairs) {
        if (count(set) == 2) return 0x6000000 | five(set) << 12;
    }
    return 0x6000000 | five(x.h & x.s) << 12;
}

static inline u32 eval7_three_ranks(const SuitSets& x) {
    if (count(x.odd) == 3) return eval7_two_trips(x);
    if (x.quads) return 0x7000000 | top(x.quads) << 16 | top(x.ranks ^ x.quads) << 12;
    return 0x6000000 | top(x.odd) << 16 | top(x.odd ^ x.ranks) << 12;
}

static inline u32 eval7_four_ranks(const SuitSets& x) {
    if (count(x.odd) == 1) {
        u32 t = five(x.ranks ^ x.odd);
        u32 lowest_pair = 1u << (t & 0xf);
        return 0x2000000 | (t & ~0xfu) << 8 | top(x.odd | lowest_pair) << 8;
    }
    if (x.quads) return 0x7000000 | top(x.quads) << 16 | top(x.odd) << 12;
    u32 pair = x.odd ^ x.ranks;
    u32 trips = (x.c & x.d) & ~pair;
    if (trips == 0) trips = (x.h & x.s) & ~pair;
    return 0x6000000 | top(trips) << 16 | top(pair) << 12;
}

static inline u32 eval7_many_ranks(const SuitSets& x) {
    u32 flush = flush_value(x, 3);
    if (flush) return flush;
    if (g_eval_straight[x.ranks]) return g_eval_straight[x.ranks];
    if (x.n == 7) return five(x.ranks);
    if (x.n == 6) return 0x1000000 | top(x.ranks ^ x.odd) << 16 | (five(x.odd) >> 8) << 4;
    if (x.odd != x.ranks) {
        return 0x2000000 | five(x.ranks ^ x.odd) << 12 | top(x.odd) << 8;
    }
    u32 trips = x.c & x.d;
    if (trips == 0) trips = x.h & x.s;
    return 0x3000000 | top(trips) << 16 | (five(x.odd ^ trips) & ~0xffu);
}

static inline u32 kernel_eval7(u64 mask) {
    SuitSets x = split_mask(mask);
    switch (x.n) {
        case 2:
            return 0x7000000 | top(x.quads) << 16 | top(x.ranks ^ x.quads) << 12;
        case 3:
            return eval7_three_ranks(x);
        case 4:
            return eval7_four_ranks(x);
        case 5:
        case 6:
        case 7:
            return eval7_many_ranks(x);
        default:
            return 0;
    }
}

static inline u32 eval6_three_ranks(const SuitSets& x) {
    if ((x.c ^ x.d ^ x.h) == x.s) return 0x2000000 | five(x.ranks) << 8;
    if (x.quads) return 0x7000000 | top(x.quads) << 16 | top(x.quads ^ x.ranks) << 12;
    u32 trips = x.c & x.d & x.h;
    if (trips == 0) trips = x.c & x.d & x.s;
    if (trips == 0) trips = x.c & x.h & x.s;
    if (trips == 0) trips = x.d & x.h & x.s;
    return 0x6000000 | top(trips) << 16 | top(x.ranks ^ x.odd) << 12;
}

static inline u32 eval6_four_ranks(const SuitSets& x) {
    if (x.odd != x.ranks) return 0x2000000 | five(x.ranks ^ x.odd) << 12 | top(x.odd) << 8;
    u32 trips = x.c & x.d;
    if (trips == 0) trips = x.h & x.s;
    return 0x3000000 | top(trips) << 16 | (five(trips ^ x.ranks) >> 4) << 8;
}

static inline u32 eval6_many_ranks(const SuitSets& x) {
    u32 flush = flush_value(x, 2);
    if (flush) return flush;
    if (g_eval_straight[x.ranks]) return g_eval_straight[x.ranks];
    if (x.n == 6) return five(x.ranks);
    return 0x1000000 | top(x.ranks ^ x.odd) << 16 | (five(x.odd) & ~0xfu);
}

static inline u32 kernel_eval6(u64 mask) {
    SuitSets x = split_mask(mask);
    switch (x.n) {
        case 2:
            if (x.odd) return 0x6000000 | five(x.odd) << 12;
            return 0x7000000 | top(x.quads) << 16 | top(x.quads ^ x.ranks) << 12;
        case 3:
            return eval6_three_ranks(x);
        case 4:
            return eval6_four_ranks(x);
        case 5:
        case 6:
            return eval6_many_ranks(x);
        default:
            return 0;
    }
}

static inline u32 eval5_five_ranks(const SuitSets& x) {
    u32 flush = flush_value(x, 1);
    if (flush) return flush;
    if (g_eval_straight[x.ranks]) return g_eval_straight[x.ranks];
    return five(x.ranks);
}

static inline u32 kernel_eval5(u64 mask) {
    SuitSets x = split_mask(mask);
    switch (x.n) {
        case 2:
            if (x.quads) {
                return 0x7000000 | top(x.c & x.d) << 16 | top((x.c & x.d) ^ x.ranks) << 12;
            }
            return 0x6000000 | top(x.odd) << 16 | top(x.odd ^ x.ranks) << 12;
        case 3: {
            if (x.ranks ^ x.odd) {
                return 0x2000000 | five(x.ranks ^ x.odd) << 12 | top(x.odd) << 8;
            }
            u32 trips = trips_of_three_suits(x);
            return 0x3000000 | top(trips) << 16 | five(trips ^ x.ranks) << 8;
        }
        case 4:
            return 0x1000000 | top(x.ranks ^ x.odd) << 16 | five(x.odd) << 4;
        case 5:
            return eval5_five_ranks(x);
        default:
            return 0;
    }
}

static inline u32 kernel_eval4(u64 mask) {
    SuitSets x = split_mask(mask);
    switch (x.n) {
        case 1:
            return 0x7000000 | top(x.c & x.d) << 16;
        case 2: {
            if (x.ranks != x.odd) return 0x2000000 | five(x.ranks ^ x.odd) << 12;
            u32 trips = trips_of_three_suits(x);
            return 0x3000000 | top(trips) << 16 | five(x.ranks ^ trips) << 12;
        }
        case 3:
            return 0x1000000 | top(x.ranks ^ x.odd) << 16 | five(x.odd) << 8;
        case 4:
            return five(x.ranks) << 4;
        default:
            return 0;
    }
}

static inline u32 kernel_eval3(u64 mask) {
    SuitSets x = split_mask(mask);
    switch (x.n) {
        case 1:
            return 0x3000000 | top(trips_of_three_suits(x)) << 16;
        case 2:
            return 0x1000000 | top(x.ranks ^ x.odd) << 16 | five(x.odd) << 12;
        case 3:
            return five(x.ranks) << 8;
        default:
            return 0;
    }
}

static inline u32 kernel_eval_mask(u64 mask, int n) {
    switch (n) {
        case 3:
            return kernel_eval3(mask);
        case 4:
            return kernel_eval4(mask);
        case 5:
            return kernel_eval5(mask);
        case 6:
            return kernel_eval6(mask);
        case 7:
            return kernel_eval7(mask);
        default:
            return 0;
    }
}
