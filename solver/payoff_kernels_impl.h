// Body of the terminal payoff kernels, compiled once per processor variant
// inside a namespace of its own (payoff_kernels_generic.cpp,
// payoff_kernels_avx2.cpp). Only static functions and plain types here, so
// that neither variant emits a symbol that the other could be linked against.
//
// Opponent reach is mostly zero where these run (hands that the ranges or the
// strategies above a river node have let go), so the exact kernels first
// collect the hands with positive reach into a short list and run every sum
// over that list only; the per-hand output loops then read the per-card sums
// for every hand. The sums run over the plain reach and the amount is applied
// once per output value: the running total and the 52 per-card sums form
// dependency chains from hand to hand, and a multiplication (or a fused
// multiply-add) in them would lengthen every link.
//
// The including file defines, in the same namespace and before this header,
// the collection and the three per-hand output loops, which are free of
// dependencies between hands and so run several hands at a time where the
// processor allows:
//   lanes_collect(reach, n, pairs, hands, counted): for every i with
//       reach[i] > 0, in order, hands[k] = i << 16 | pairs[i] and
//       counted[k] = reach[i]; returns k, the number collected. Entries past
//       the last one collected may be written, never past n.
//   lanes_fill(out, begin, end, value)
//   lanes_fold(out, begin, end, total, reach, pairs, sums, pay):
//       out[i] = pay x (total + max(reach[i], 0) - sums[lo(i)] - sums[hi(i)])
//       (reach may be null: zeros)
//   lanes_gather(out, begin, end, total, pairs, sums, pay):
//       out[i] = pay x (total - sums[lo(i)] - sums[hi(i)])
// Everything else is shared, so both variants compute the same formulas.

static constexpr int kCards = 52;

static inline u32 low_card(u16 pair) {
    return pair & 0xFFu;
}
static inline u32 high_card(u16 pair) {
    return pair >> 8;
}

static inline f64 abs_of(f64 x) {
    return x < 0.0 ? -x : x;
}

// The hands of a list whose reach counts, in list order: position << 16 |
// card pair, and the reach. Sized for the longest list.
struct CountedHands {
    i32 count;
    u32 hand[kMaxHandList];
    f64 reach[kMaxHandList];
};

static inline i32 position_of(u32 hand) {
    return static_cast<i32>(hand >> 16);
}
static inline u16 pair_of(u32 hand) {
    return static_cast<u16>(hand);
}

static inline void collect_counted(const f64* reach, i32 n, const u16* pairs, CountedHands& h) {
    h.count = reach ? lanes_collect(reach, n, pairs, h.hand, h.reach) : 0;
}

// End of the run that starts at pos. Runs are trusted to add up to n; a run
// that overshoots is cut at n and a non-positive one counts as one hand, so
// that a broken record can never make the sweep leave the list.
static inline i32 run_end(i32 pos, i16 run, i32 n) {
    const i32 len = run > 0 ? run : 1;
    return pos + len < n ? pos + len : n;
}

// Adds v to the per-card sums of both cards of a hand.
static inline void add_to_cards(f64* sums, u16 pair, f64 v) {
    sums[low_card(pair)] += v;
    sums[high_card(pair)] += v;
}

// Pass 1 of the exact kernels: adds sign x reach of every collected hand into
// the running total and into the sums of both of its cards; returns the
// total. Neighbours in value order often share a card, so even and odd
// entries go to separate tables and totals, merged at the end: every add into
// the same slot would otherwise wait for the store of the hand before.
static inline f64 accumulate_reach(const CountedHands& h, f64 sign, f64* sums) {
    f64 odd_sums[kCards] = {};
    f64 total = 0.0;
    f64 odd_total = 0.0;
    i32 k = 0;
    for (; k + 2 <= h.count; k += 2) {
        const f64 r = sign * h.reach[k];
        const f64 r_odd = sign * h.reach[k + 1];
        total += r;
        odd_total += r_odd;
        add_to_cards(sums, pair_of(h.hand[k]), r);
        add_to_cards(odd_sums, pair_of(h.hand[k + 1]), r_odd);
    }
    if (k < h.count) {
        const f64 r = sign * h.reach[k];
        total += r;
        add_to_cards(sums, pair_of(h.hand[k]), r);
    }
    for (int c = 0; c < kCards; ++c) sums[c] += odd_sums[c];
    return total + odd_total;
}

// Pass 2 of the showdown kernels. On entry every counted hand stands on the
// stronger side: total = -(counted reach), and sums[c] the same over the
// hands holding card c. The runs holding counted hands are then moved to the
// weaker side in order, so that when a hand is valued, the sums hold +weaker
// -stronger. Such a run is first added once (neutral: its members score 0
// against each other), its hands are valued, and it is added a second time.
// Between two of them the sums stay as they are, and every hand of the runs
// in between is valued in one stretch.
static void showdown_sweep(f64* out, const CountedHands& h, i32 n, const i16* runs,
                           const u16* pairs, f64* sums, f64 total, f64 pay) {
    i32 pos = 0;
    i32 valued = 0;
    i32 k = 0;
    while (k < h.count) {
        const i32 counted_at = position_of(h.hand[k]);
        i32 end = run_end(pos, *runs++, n);
        while (end <= counted_at) {
            pos = end;
            end = run_end(pos, *runs++, n);
        }
        lanes_gather(out, valued, pos, total, pairs, sums, pay);
        const i32 first = k;
        f64 group = 0.0;
        for (; k < h.count && position_of(h.hand[k]) < end; ++k) {
            group += h.reach[k];
            add_to_cards(sums, pair_of(h.hand[k]), h.reach[k]);
        }
        const f64 neutral = total + group;
        lanes_gather(out, pos, end, neutral, pairs, sums, pay);
        for (i32 j = first; j < k; ++j) add_to_cards(sums, pair_of(h.hand[j]), h.reach[j]);
        total = neutral + group;
        pos = end;
        valued = end;
    }
    lanes_gather(out, valued, n, total, pairs, sums, pay);
}

static void fold_combos(f64* out, const f64* reach, i32 n, const u16* pairs, f64 pay) {
    CountedHands hands;
    collect_counted(reach, n, pairs, hands);
    f64 sums[kCards] = {};
    const f64 total = accumulate_reach(hands, 1.0, sums);
    if (abs_of(pay * total) <= kFoldZeroTotal) {
        lanes_fill(out, 0, n, 0.0);
        return;
    }
    // A hand's own reach was taken off with both of its cards but counted
    // once in the total: lanes_fold adds it back.
    lanes_fold(out, 0, n, total, reach, pairs, sums, pay);
}

static void showdown_combos(f64* out, const f64* reach, i32 n, const i16* runs, const u16* pairs,
                            f64 pay) {
    CountedHands hands;
    collect_counted(reach, n, pairs, hands);
    f64 sums[kCards] = {};
    const f64 total = accumulate_reach(hands, -1.0, sums);
    if (abs_of(pay * total) <= kShowdownZeroTotal) {
        lanes_fill(out, 0, n, 0.0);
        return;
    }
    showdown_sweep(out, hands, n, runs, pairs, sums, total, pay);
}

// The fold side needs the sums of pass 1 with the sign they had before the
// sweep changed them: its own copy, negated.
static inline void negated_copy(const f64* sums, f64* copy) {
    for (int c = 0; c < kCards; ++c) copy[c] = -sums[c];
}

static void showdown_pair(f64* out1, f64* out2, const f64* reach, i32 n, const i16* runs,
                          const u16* pairs, f64 showdown_pay, f64 fold_pay) {
    CountedHands hands;
    collect_counted(reach, n, pairs, hands);
    f64 sums[kCards] = {};
    const f64 total = accumulate_reach(hands, -1.0, sums);
    // The test is on the plain reach, whatever the two amounts.
    if (abs_of(total) <= kShowdownZeroTotal) {
        lanes_fill(out1, 0, n, 0.0);
        lanes_fill(out2, 0, n, 0.0);
        return;
    }
    f64 fold_sums[kCards];
    negated_copy(sums, fold_sums);
    lanes_fold(out2, 0, n, -total, reach, pairs, fold_sums, fold_pay);
    showdown_sweep(out1, hands, n, runs, pairs, sums, total, showdown_pay);
}

static void showdown_pair2(f64* out1, f64* out2, const f64* showdown_reach, const f64* fold_reach,
                           i32 n, const i16* runs, const u16* pairs, f64 showdown_pay,
                           f64 fold_pay) {
    // One list serves both reaches in turn: the fold side needs only its sums.
    CountedHands hands;
    f64 fold_sums[kCards] = {};
    collect_counted(fold_reach, n, pairs, hands);
    const f64 fold_total = accumulate_reach(hands, 1.0, fold_sums);
    f64 showdown_sums[kCards] = {};
    collect_counted(showdown_reach, n, pairs, hands);
    const f64 showdown_total = accumulate_reach(hands, -1.0, showdown_sums);
    if (abs_of(showdown_pay * showdown_total) <= kShowdownZeroTotal &&
        abs_of(fold_pay * fold_total) <= kShowdownZeroTotal) {
        lanes_fill(out1, 0, n, 0.0);
        lanes_fill(out2, 0, n, 0.0);
        return;
    }
    lanes_fold(out2, 0, n, fold_total, fold_reach, pairs, fold_sums, fold_pay);
    showdown_sweep(out1, hands, n, runs, pairs, showdown_sums, showdown_total, showdown_pay);
}

static void fold_approx(f64* out, const f64* reach, i32 n, f64 pay) {
    if (!reach) {
        lanes_fill(out, 0, n, 0.0);
        return;
    }
    f64 total = 0.0;
    for (i32 j = 0; j < n; ++j) total += reach[j];
    if (abs_of(total) <= kFoldZeroTotal) {
        lanes_fill(out, 0, n, 0.0);
        return;
    }
    lanes_fill(out, 0, n, total * (pay * kApproxRemovalFactor));
}

static inline f64 run_reach(const f64* reach, i32 begin, i32 end) {
    f64 sum = 0.0;
    for (i32 j = begin; j < end; ++j) sum += reach[j];
    return sum;
}

static void showdown_approx(f64* out, const f64* reach, i32 n, const i16* runs, f64 pay) {
    if (!reach) {
        lanes_fill(out, 0, n, 0.0);
        return;
    }
    f64 total = 0.0;
    const i16* run = runs;
    for (i32 pos = 0; pos < n;) {
        const i32 end = run_end(pos, *run++, n);
        total -= run_reach(reach, pos, end);
        pos = end;
    }
    if (abs_of(total) <= kShowdownZeroTotal) {
        lanes_fill(out, 0, n, 0.0);
        return;
    }
    const f64 scale = kApproxRemovalFactor * pay;
    for (i32 pos = 0; pos < n;) {
        const i32 end = run_end(pos, *runs++, n);
        const f64 group = run_reach(reach, pos, end);
        lanes_fill(out, pos, end, scale * (total + group));
        total += 2.0 * group;
        pos = end;
    }
}
