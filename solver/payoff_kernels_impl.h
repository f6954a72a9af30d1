// Body of the terminal payoff kernels, compiled once per processor variant
// inside a namespace of its own (payoff_kernels_generic.cpp,
// payoff_kernels_avx2.cpp). Only static functions and plain types here, so
// that neither variant emits a symbol that the other could be linked against.
//
// The sums run over the plain reach and the amount is applied once per
// output value: the running total and the 52 per-card sums form dependency
// chains from hand to hand, and a multiplication (or a fused multiply-add) in
// them would lengthen every link.
//
// The including file defines, in the same namespace and before this header,
// the three per-hand output loops, which are free of dependencies between
// hands and so run several hands at a time where the processor allows:
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

// A reach entry as it enters the sums: only positive entries count.
static inline f64 counted_reach(const f64* reach, i32 i) {
    if (!reach) return 0.0;
    const f64 r = reach[i];
    return r > 0.0 ? r : 0.0;
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

// Pass 1 of the exact kernels: adds sign x (counted reach) into the running
// total and into the sums of both cards of every hand; returns the total.
// Neighbours in value order often share a card, so even and odd hands go to
// separate tables and totals, merged at the end: every add into the same
// slot would otherwise wait for the store of the hand before.
static inline f64 accumulate_reach(const f64* reach, i32 n, const u16* pairs, f64 sign, f64* sums) {
    f64 odd_sums[kCards] = {};
    f64 total = 0.0;
    f64 odd_total = 0.0;
    i32 j = 0;
    for (; j + 2 <= n; j += 2) {
        const f64 r = sign * counted_reach(reach, j);
        const f64 r_odd = sign * counted_reach(reach, j + 1);
        total += r;
        odd_total += r_odd;
        add_to_cards(sums, pairs[j], r);
        add_to_cards(odd_sums, pairs[j + 1], r_odd);
    }
    if (j < n) {
        const f64 r = sign * counted_reach(reach, j);
        total += r;
        add_to_cards(sums, pairs[j], r);
    }
    for (int c = 0; c < kCards; ++c) sums[c] += odd_sums[c];
    return total + odd_total;
}

// Pass 2 of the showdown kernels. On entry every counted hand stands on the
// stronger side: total = -(counted reach), and sums[c] the same over the
// hands holding card c. The runs are then moved to the weaker side in order,
// so that when a hand is valued, the sums hold +weaker -stronger. A tie group
// is first added once (neutral: its members score 0 against each other), its
// hands are valued, and it is added a second time. A single hand is valued
// and moved across at once; its own reach, taken off with each of its two
// cards but only once in the total, is taken off the total once more.
static void showdown_sweep(f64* out, const f64* reach, i32 n, const i16* runs, const u16* pairs,
                           f64* sums, f64 total, f64 pay) {
    i32 pos = 0;
    while (pos < n) {
        const i32 end = run_end(pos, *runs++, n);
        if (end - pos == 1) {
            const u16 pair = pairs[pos];
            const f64 r = counted_reach(reach, pos);
            out[pos] = pay * (total - sums[high_card(pair)] - r - sums[low_card(pair)]);
            add_to_cards(sums, pair, r + r);
            total += r + r;
            pos = end;
            continue;
        }
        f64 group = 0.0;
        for (i32 i = pos; i < end; ++i) {
            const f64 r = counted_reach(reach, i);
            group += r;
            add_to_cards(sums, pairs[i], r);
        }
        const f64 neutral = total + group;
        lanes_gather(out, pos, end, neutral, pairs, sums, pay);
        for (i32 i = pos; i < end; ++i) add_to_cards(sums, pairs[i], counted_reach(reach, i));
        total = neutral + group;
        pos = end;
    }
}

static void fold_combos(f64* out, const f64* reach, i32 n, const u16* pairs, f64 pay) {
    if (!reach) {
        lanes_fill(out, 0, n, 0.0);
        return;
    }
    f64 sums[kCards] = {};
    const f64 total = accumulate_reach(reach, n, pairs, 1.0, sums);
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
    if (!reach) {
        lanes_fill(out, 0, n, 0.0);
        return;
    }
    f64 sums[kCards] = {};
    const f64 total = accumulate_reach(reach, n, pairs, -1.0, sums);
    if (abs_of(pay * total) <= kShowdownZeroTotal) {
        lanes_fill(out, 0, n, 0.0);
        return;
    }
    showdown_sweep(out, reach, n, runs, pairs, sums, total, pay);
}

// The fold side needs the sums of pass 1 with the sign they had before the
// sweep changed them: its own copy, negated.
static inline void negated_copy(const f64* sums, f64* copy) {
    for (int c = 0; c < kCards; ++c) copy[c] = -sums[c];
}

static void showdown_pair(f64* out1, f64* out2, const f64* reach, i32 n, const i16* runs,
                          const u16* pairs, f64 showdown_pay, f64 fold_pay) {
    if (!reach) {
        lanes_fill(out1, 0, n, 0.0);
        lanes_fill(out2, 0, n, 0.0);
        return;
    }
    f64 sums[kCards] = {};
    const f64 total = accumulate_reach(reach, n, pairs, -1.0, sums);
    // The test is on the plain reach, whatever the two amounts.
    if (abs_of(total) <= kShowdownZeroTotal) {
        lanes_fill(out1, 0, n, 0.0);
        lanes_fill(out2, 0, n, 0.0);
        return;
    }
    f64 fold_sums[kCards];
    negated_copy(sums, fold_sums);
    lanes_fold(out2, 0, n, -total, reach, pairs, fold_sums, fold_pay);
    showdown_sweep(out1, reach, n, runs, pairs, sums, total, showdown_pay);
}

static void showdown_pair2(f64* out1, f64* out2, const f64* showdown_reach, const f64* fold_reach,
                           i32 n, const i16* runs, const u16* pairs, f64 showdown_pay,
                           f64 fold_pay) {
    if (!showdown_reach && !fold_reach) {
        lanes_fill(out1, 0, n, 0.0);
        lanes_fill(out2, 0, n, 0.0);
        return;
    }
    f64 showdown_sums[kCards] = {};
    f64 fold_sums[kCards] = {};
    const f64 showdown_total = accumulate_reach(showdown_reach, n, pairs, -1.0, showdown_sums);
    const f64 fold_total = accumulate_reach(fold_reach, n, pairs, 1.0, fold_sums);
    if (abs_of(showdown_pay * showdown_total) <= kShowdownZeroTotal &&
        abs_of(fold_pay * fold_total) <= kShowdownZeroTotal) {
        lanes_fill(out1, 0, n, 0.0);
        lanes_fill(out2, 0, n, 0.0);
        return;
    }
    lanes_fold(out2, 0, n, fold_total, fold_reach, pairs, fold_sums, fold_pay);
    showdown_sweep(out1, showdown_reach, n, runs, pairs, showdown_sums, showdown_total,
                   showdown_pay);
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
