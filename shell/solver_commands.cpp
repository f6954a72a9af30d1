#include "shell/solver_commands.h"

#include <atomic>
#include <new>
#include <string>

#include "platform/clock.h"
#include "shell/command_reply.h"
#include "shell/number_reading.h"
#include "shell/output.h"
#include "shell/settings.h"
#include "shell/tree_commands.h"
#include "solver/forget_streets.h"
#include "solver/results.h"
#include "solver/solve_splits.h"
#include "solver/solver_thread.h"
#include "tree/tree.h"

namespace {

constexpr i64 kMsPerSecond = 1000;

// History records already shown in this run; `go` sets it back to 0 while no
// solver runs, otherwise only the solver thread writes it.
std::atomic<i32> g_status_printed_count{0};

bool tree_present() {
    return g_tree_present && g_tree;
}

void require_tree() {
    if (!tree_present()) throw_command_error("missing/incorrect tree");
}

// Half the pot the tree was built with: the pot already in the middle,
// which the values of a solve leave out.
f64 half_pot() {
    return g_tree ? g_tree->pot * 0.5 : 0.0;
}

// The confirmation written at once, ahead of what the solver thread prints
// in answer to the command.
void answer_now() {
    print_ok();
    flush_deferred_output();
}

// The tree's data is freed, replaced or solved by the command: never under a
// running solver.
void require_tree_at_rest() {
    require_tree();
    refuse_while_solving();
}

// The street that "rivers" or "turns" names.
i32 street_argument(const std::string& word) {
    if (word == "rivers") return kStreetRiver;
    if (word == "turns") return kStreetTurn;
    throw_argument_error();
}

struct GoLimit {
    i32 limit = 0;
    bool steps = false;
};

GoLimit read_go_limit(const Tokens& tokens) {
    if (tokens.size() == 1) return GoLimit{};
    if (tokens.size() == 2) throw_argument_error();
    const bool seconds = tokens[2] == "seconds";
    const bool steps = tokens[2] == "steps";
    if (!seconds && !steps) throw_argument_error();
    return GoLimit{read_i32(tokens[1]), steps};
}

}  // namespace

void cmd_go(const Tokens& tokens) {
    require_tree();
    refuse_while_solving();
    if (!tree_is_complete()) throw_command_error("incomplete tree");
    reset_solver_status();
    const GoLimit limit = read_go_limit(tokens);
    if (!start_solver(limit.limit, limit.steps, answer_now, print_solver_status)) {
        throw_command_error("out of memory");
    }
}

void cmd_stop(const Tokens&) {
    answer_now();
    request_solver_stop();
}

void cmd_wait_for_solver(const Tokens&) {
    solver_wait();
}

void cmd_take_a_break(const Tokens& tokens) {
    request_solver_stop();
    const i32 seconds = read_i32(tokens[1]);
    sleep_ms(static_cast<i64>(seconds) * kMsPerSecond);
    print_ok();
}

void cmd_calc_results(const Tokens&) {
    require_tree();
    const SolverStatsRecord record = prepare_results();
    const f64 h = half_pot();
    out_printf(
        "EV OOP: %.3f\nEV IP: %.3f\nOOP's MES: %.3f\nIP's MES: %.3f\nExploitable for: %.3f\nEND\n",
        printable_number(record.ev_oop + h), printable_number(record.ev_ip + h),
        printable_number(record.mes_oop + h), printable_number(record.mes_ip + h),
        printable_number(record.exploitability));
}

void cmd_set_accuracy(const Tokens& tokens) {
    if (tokens.size() < 2) throw_argument_error();
    const f64 x = read_f64(tokens[1]);
    if (x < 0.0) throw_argument_error();
    g_accuracy = x;
    g_accuracy_is_fraction = tokens.size() > 2 && tokens[2] == "fraction";
    send_accuracy_target();
    print_ok();
}

void cmd_set_recalc_accuracy(const Tokens& tokens) {
    const f64 flop = read_f64(tokens[1]);
    const f64 turn = read_f64(tokens[2]);
    const f64 river = read_f64(tokens[3]);
    solver_set_recalc_accuracy(flop * g_pot, turn * g_pot, river * g_pot);
    print_ok();
}

void cmd_forget(const Tokens& tokens) {
    require_tree_at_rest();
    const i32 street = street_argument(tokens[1]);
    // A tree rooted on that street or later has no split there to keep.
    if (street <= static_cast<i32>(g_tree->root_street())) throw_argument_error();
    forget_streets(*g_tree, street);
    print_ok();
}

void cmd_rebuild_forgotten_streets(const Tokens&) {
    require_tree_at_rest();
    if (!solver_rebuild_streets(*g_tree)) throw_command_error("out of memory");
    print_ok();
}

// Only the street whose data was forgotten has frozen reach at its splits
// to solve from.
void cmd_solve_all_splits(const Tokens& tokens) {
    require_tree_at_rest();
    const i32 street = street_argument(tokens[1]);
    if (g_tree->forget_level != street) throw_argument_error();
    try {
        solver_solve_splits(*g_tree, street);
    } catch (const std::bad_alloc&) {
        throw_command_error("out of memory");
    }
    print_ok();
}

void reset_solver_status() {
    g_status_printed_count = 0;
}

void print_solver_status() {
    const std::vector<SolverStatsRecord> history = copy_solver_history();
    const i32 count = static_cast<i32>(history.size());
    if (count == 0 || count <= g_status_printed_count) return;
    g_status_printed_count = count;
    const SolverStatsRecord& record = history.back();
    const f64 h = half_pot();
    locked_printf(
        "SOLVER:\nrunning time: %.3f\nEV OOP: %.3f\nEV IP: %.3f\nOOP's MES: %.3f\nIP's MES: "
        "%.3f\nExploitable for: %.3f\nEND\n",
        record.time, printable_number(record.ev_oop + h), printable_number(record.ev_ip + h),
        printable_number(record.mes_oop + h), printable_number(record.mes_ip + h),
        printable_number(record.exploitability));
    yield_processor();
}
