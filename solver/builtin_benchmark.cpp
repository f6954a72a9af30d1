#include "solver/builtin_benchmark.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <unordered_set>

#include "cards/hand_tables.h"
#include "platform/clock.h"
#include "platform/cpu_features.h"
#include "platform/memory_status.h"
#include "solver/results.h"
#include "solver/solve_reset.h"
#include "solver/solver_thread.h"
#include "storage/block_arena.h"
#include "tree/tree.h"
#include "tree/tree_create.h"

u32 g_mode_flag = 0;

namespace {

// The benchmark spot: flop 2c 3c 4c (card indices 0, 1, 2); the turn Ts and
// river Ad are given as well, and left out because the root is on the flop.
constexpr i32 kFlop[3] = {0, 1, 2};
constexpr i32 kTurn = 47;
constexpr i32 kRiver = 25;
constexpr f64 kCommitted = 25.0;
constexpr f64 kStack = 125.0;
constexpr u64 kRiverDataLimit = u64{19} << 30;
constexpr i64 kPollMs = 100;
constexpr i32 kShowdownStreet = 4;

constexpr int kOopHands = 634;
constexpr int kOopWeights = 66;
constexpr int kIpHands = 1030;
constexpr int kIpWeights = 5;

// A simple preflop order: pairs by rank above everything but the best
// unpaired hands, then high cards, with a bonus for suited and connected.
// Cards are 13 x suit + rank.
f64 preflop_score(int a, int b) {
    const int ra = a % 13;
    const int rb = b % 13;
    const int hi = std::max(ra, rb);
    const int lo = std::min(ra, rb);
    if (hi == lo) return 30.0 + 2.5 * hi;
    const bool suited = a / 13 == b / 13;
    const int gap = hi - lo;
    return 2.0 * hi + lo + (suited ? 4.0 : 0.0) - (gap > 4 ? gap - 4 : 0);
}

// The strongest `hands` combos, in `levels` equal bands of weight from 1
// down to 1 / levels.
std::vector<f64> banded_range(int hands, int levels) {
    std::vector<f64> scores(kHandCount);
    for (int hi = 1; hi < 52; ++hi) {
        for (int lo = 0; lo < hi; ++lo)
            scores[static_cast<std::size_t>(hi * (hi - 1) / 2 + lo)] = preflop_score(hi, lo);
    }
    std::vector<int> order(kHandCount);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        return scores[static_cast<std::size_t>(x)] > scores[static_cast<std::size_t>(y)];
    });
    std::vector<f64> range(kHandCount, 0.0);
    for (int i = 0; i < hands; ++i) {
        const int band = i * levels / hands;
        range[static_cast<std::size_t>(order[static_cast<std::size_t>(i)])] =
            static_cast<f64>(levels - band) / levels;
    }
    return range;
}

void append_line(std::vector<LineRecord>& out, u32 kind, i32 parent, u32 player, u32 street,
                 f64 amount) {
    out.push_back(LineRecord{kind, parent, player, street, amount});
}

using Rounding = f64 (*)(f64, i32);

Rounding chosen_rounding() {
    static const Rounding chosen =
        cpu_has_avx2_set() ? round_to_decimals_avx2 : round_to_decimals_generic;
    return chosen;
}

void print_sizes(std::FILE* out, const TreeSizeStats& stats) {
    std::fprintf(out, "infoset-actions: flop %dk turn %dM river %dM\n",
                 static_cast<int>(stats.value_counts[1] / 1000),
                 static_cast<int>(stats.value_counts[2] / 1000000),
                 static_cast<int>(stats.value_counts[3] / 1000000));
    std::fprintf(out, "dataSizes: flop %dk turn %dM river %dM\n",
                 static_cast<int>(stats.data_sizes[1] / 1000),
                 static_cast<int>(stats.data_sizes[2] / 1000000),
                 static_cast<int>(stats.data_sizes[3] / 1000000));
}

f64 seconds_of(i64 ns) {
    return static_cast<f64>(ns) * 1e-9;
}

// Prints the history records that arrived since the last print; `printed`
// counts the records shown, `last_iteration` the iteration of the last one.
// The arena figures are per interval, each counter taken and zeroed in one
// exchange: a benchmark without compression commits no arena bytes and codes
// nothing, so they print as 0 (0 % rather than the 0 / 0 of an interval
// without raw bytes).
void print_new_records(std::FILE* out, std::size_t& printed, u32& last_iteration, i64 cpu_start) {
    const std::vector<SolverStatsRecord> history = copy_last_run_history();
    if (history.size() <= printed) return;
    printed = history.size();
    const SolverStatsRecord& r = history.back();
    const u64 committed = static_cast<u64>(g_stat_committed_bytes.exchange(0));
    const u64 raw = static_cast<u64>(g_stat_raw_bytes.exchange(0));
    const u32 iterations = r.iteration - last_iteration;
    last_iteration = r.iteration;
    const int per_iteration_mb =
        iterations > 0 ? static_cast<int>((committed >> 20) / iterations) : 0;
    const f64 committed_share =
        raw > 0 ? static_cast<f64>(committed) * 100.0 / static_cast<f64>(raw) : 0.0;
    const int max_escape = static_cast<int>(g_stat_max_escape.exchange(0));
    const f64 last_weight = g_stat_last_weight.load();
    std::fprintf(
        out, "%d %.3fs %.3fs %f %f %f %d %d %.1f%% %d %.1f\n", static_cast<int>(r.iteration),
        r.time, seconds_of(process_cpu_time_ns() - cpu_start), r.exploitability * 1000.0,
        r.mes_oop * 1000.0, r.mes_ip * 1000.0, static_cast<int>(peak_resident_bytes() >> 20),
        per_iteration_mb, committed_share, max_escape, last_weight);
    std::fflush(out);
}

}  // namespace

void set_mode_flag(u32 value) {
    g_mode_flag = value;
}

f64 round_to_decimals_generic(f64 x, i32 n) {
    const f64 p = static_cast<f64>(static_cast<i64>(std::pow(10.0, n)));
    return std::floor(x * p + 0.5) / p;
}

f64 round_to_decimals(f64 x, i32 n) {
    return chosen_rounding()(x, n);
}

void generate_bet_lines(i32 street, i32 player, f64 committed, f64 facing, f64 stack, i32 parent,
                        std::vector<LineRecord>& out, const std::string& path) {
    // All-in: no more betting; the remaining streets are dealt to a showdown.
    if (committed == stack && street >= 0 && street < kShowdownStreet) {
        generate_bet_lines(street + 1, player, committed, facing, stack, parent, out, path);
        return;
    }
    const i32 index = static_cast<i32>(out.size());
    if (street < 0) {
        append_line(out, kLineFold, parent, kLineUnused, kLineUnused, committed);
        return;
    }
    if (street >= kShowdownStreet) {
        append_line(out, kLineShowdown, parent, kLineUnused, kLineUnused, committed);
        return;
    }
    append_line(out, kLineDecision, parent, static_cast<u32>(player), static_cast<u32>(street),
                0.0);
    const std::string next = path + " ";
    const i32 other = player ^ 1;
    if (committed + facing < stack) {
        // One size: a pot-sized bet, rounded to a tenth, at least the bet
        // faced and one chip, at most what is left.
        const f64 pot_bet = std::floor((committed + facing) * 20.0 + 0.5) / 10.0;
        const f64 size = std::min(stack - facing - committed, std::max({facing, 1.0, pot_bet}));
        std::unordered_set<f64> unique(8);
        unique.max_load_factor(1.0f);
        unique.insert(size);
        std::vector<f64> sizes(unique.begin(), unique.end());
        std::sort(sizes.begin(), sizes.end(), std::greater<>());
        for (const f64 s : sizes) {
            const f64 base = facing != 0.0 ? committed + facing : committed;
            generate_bet_lines(street, other, base, s, stack, index, out, next);
        }
    }
    if (facing != 0.0) {
        generate_bet_lines(street + 1, 0, committed + facing, 0.0, stack, index, out, next);
        generate_bet_lines(-1, 0, committed, facing, stack, index, out, next);
        return;
    }
    if (player == 1) {
        generate_bet_lines(street + 1, 0, committed, 0.0, stack, index, out, next);
    } else {
        generate_bet_lines(street, 1, committed, 0.0, stack, index, out, next);
    }
}

const std::vector<f64>& builtin_range(u32 player) {
    static const std::vector<f64> oop = banded_range(kOopHands, kOopWeights);
    static const std::vector<f64> ip = banded_range(kIpHands, kIpWeights);
    return player == 0 ? oop : ip;
}

i32 run_benchmark(const BenchmarkLimits& limits, std::FILE* out) {
    set_mode_flag(1);
    std::vector<LineRecord> lines;
    generate_bet_lines(1, 0, kCommitted, 0.0, kStack, -1, lines, "");
    TreeSpec spec;
    spec.records = lines.data();
    spec.record_count = static_cast<u32>(lines.size());
    for (int i = 0; i < 3; ++i) spec.flop[i] = kFlop[i];
    spec.turn = kTurn;
    spec.river = kRiver;
    spec.ranges[0] = builtin_range(0).data();
    spec.ranges[1] = builtin_range(1).data();
    create_tree(spec);
    const u32 modes[2] = {0, 0};
    const bool stores = reset_solve(modes);
    print_sizes(out, g_tree->size_stats);
    if (!stores || g_tree->size_stats.data_sizes[3] > kRiverDataLimit) {
        std::fprintf(out, "not enough memory\n");
        std::fflush(out);
        set_mode_flag(0);
        return 1;
    }

    const i64 cpu_start = process_cpu_time_ns();
    const bool steps = limits.iterations > 0;
    const i32 limit = steps ? limits.iterations : limits.seconds;
    if (!start_solver(limit, steps)) {
        std::fprintf(out, "not enough memory\n");
        set_mode_flag(0);
        return 1;
    }
    std::fprintf(out, "Iterations Time Exploitability BR0 BR1 PeakMem Comp BPA MaxSymbol\n");
    std::fflush(out);
    std::size_t printed = 0;
    u32 last_iteration = 0;
    // The solver ends at its bound, its target or its cap; its last record
    // is printed after it has stopped.
    for (bool running = true; running;) {
        sleep_ms(kPollMs);
        running = solver_running();
        print_new_records(out, printed, last_iteration, cpu_start);
    }
    solver_wait();
    set_mode_flag(0);
    return 0;
}
