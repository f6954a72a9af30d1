#include "solver/solver_thread.h"

#include <omp.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/clock.h"
#include "platform/console_output.h"
#include "solver/results.h"
#include "solver/solve_reset.h"
#include "solver/solver_pass.h"
#include "solver/solver_settings.h"
#include "solver/work_items.h"
#include "storage/node_data_factory.h"
#include "tree/tree.h"

f64 g_recalc_accuracy[3] = {0.0, 0.0, 0.0};

namespace {

// Iterations between measurements; the first one of a counter that starts
// at 0 comes after this many.
constexpr i32 kExploitabilityInterval = 25;
// Measurements keep this much time apart (milliseconds): closer while the
// solve is young, wider from 4 intervals on.
constexpr i64 kYoungSpacingMs = 250;
constexpr i64 kSpacingMs = 500;
constexpr i64 kNsPerMs = 1000000;
constexpr i64 kNsPerSecond = 1000000000;

constexpr const char* kReasonRequested = "requested";
constexpr const char* kReasonAccuracy = "required accuracy reached";
constexpr const char* kReasonSteps = "required number of steps done";
constexpr const char* kReasonTimeout = "timeout reached";

struct RunLimit {
    i32 limit = 0;
    bool steps = false;
    MeasurementReport report = nullptr;
};

// Joined before a new run starts and at exit; if the process ends some
// other way the run is stopped and joined rather than abandoned.
struct SolverThreadHandle {
    std::thread thread;
    ~SolverThreadHandle();
};

std::mutex g_solver_mutex;
std::condition_variable g_solver_done_cv;
std::atomic<bool> g_solver_active{false};
std::atomic<bool> g_stop_requested{false};
SolverThreadHandle g_solver_thread;

SolverThreadHandle::~SolverThreadHandle() {
    if (!thread.joinable()) return;
    g_stop_requested = true;
    thread.join();
}

bool measurement_due(i32 it) {
    return it == kExploitabilityInterval ||
           (it > kExploitabilityInterval &&
            (it - kExploitabilityInterval) % kExploitabilityInterval == 0);
}

// Measurement times and spacing of one run.
struct MeasureClock {
    i64 run_start = 0;
    i64 previous = 0;
    i64 spacing_ms = 0;
};

// Measures when the iteration falls on the cadence and the spacing allows;
// true when the accuracy target is reached.
bool measure_if_due(Tree& tree, MeasureClock& clock, MeasurementReport report) {
    const i32 it = static_cast<i32>(tree.iteration);
    if (!measurement_due(it)) return false;
    const i64 now = timer_now_ns();
    if ((now - clock.previous) / kNsPerMs < clock.spacing_ms) return false;
    clock.previous = now;
    clock.spacing_ms = it < 4 * kExploitabilityInterval ? kYoungSpacingMs : kSpacingMs;
    SolverStatsRecord record = measure_tree(tree);
    record.time = static_cast<f64>((now - clock.run_start) / kNsPerMs) / 1000.0;
    append_solver_history(record);
    if (report) report();
    return g_required_accuracy.load() >= record.exploitability;
}

bool limit_reached(const RunLimit& limit, i64 start_iteration, i64 it, i64 run_start) {
    if (limit.steps) return start_iteration + limit.limit <= it;
    if (limit.limit <= 0) return false;
    return (timer_now_ns() - run_start) / kNsPerSecond >= limit.limit;
}

// The iterations of one run; returns the reason it ends.
const char* run_iterations(Tree& tree, const RunLimit& limit) {
    const i64 start_iteration = static_cast<i32>(tree.iteration);
    MeasureClock clock;
    clock.run_start = clock.previous = timer_now_ns();
    if (g_stop_requested) return kReasonRequested;
    for (;;) {
        if (static_cast<i32>(tree.iteration) >= g_iteration_cap) return kReasonRequested;
        omp_set_num_threads(g_thread_count.load());
        solver_iteration(tree);
        if (measure_if_due(tree, clock, limit.report)) return kReasonAccuracy;
        const i64 it = static_cast<i32>(tree.iteration);
        if (limit_reached(limit, start_iteration, it, clock.run_start)) {
            return limit.steps ? kReasonSteps : kReasonTimeout;
        }
        if (g_stop_requested) return kReasonRequested;
    }
}

// The stopped line comes before the solver counts as stopped: whoever waits
// for the end sees it printed, and a `go` after the wait finds no solver.
void solver_thread_main(RunLimit limit) {
    set_solver_float_mode();
    yield_pass_lock_to_commands();
    // Waits until the start has announced the run.
    { std::lock_guard lock(g_solver_mutex); }
    const char* reason = run_iterations(*g_tree, limit);
    locked_printf_flush("SOLVER: stopped (%s)\n", reason);
    std::lock_guard lock(g_solver_mutex);
    g_solver_active = false;
    g_solver_done_cv.notify_all();
}

}  // namespace

bool start_solver(i32 limit, bool limit_is_steps, const std::function<void()>& announce,
                  MeasurementReport report) {
    std::lock_guard lock(g_solver_mutex);
    if (g_solver_active) return false;
    Tree& tree = *g_tree;
    if ((tree.flags & kTreeIncomplete) != 0) return false;
    clear_solver_history();
    if (!prepare_node_stores(tree)) return false;
    if (g_solver_thread.thread.joinable()) g_solver_thread.thread.join();
    g_stop_requested = false;
    // The thread's end sequence needs the lock held here, so it cannot end
    // before it counts as running.
    g_solver_thread.thread =
        std::thread(solver_thread_main, RunLimit{limit, limit_is_steps, report});
    g_solver_active = true;
    // Printed here rather than by the thread, which waits for this lock: the
    // line then always follows the command's answer and precedes whatever
    // the next command prints.
    if (announce) announce();
    locked_printf_flush("SOLVER: started\n");
    return true;
}

void request_solver_stop() {
    std::lock_guard lock(g_solver_mutex);
    if (g_solver_active) g_stop_requested = true;
}

void solver_wait() {
    std::unique_lock lock(g_solver_mutex);
    g_solver_done_cv.wait(lock, [] { return !g_solver_active; });
}

bool solver_running() {
    return g_solver_active;
}

bool tree_is_complete() {
    return (g_tree->flags & kTreeIncomplete) == 0;
}

void stop_solver_for_exit() {
    request_solver_stop();
    solver_wait();
    std::lock_guard lock(g_solver_mutex);
    if (g_solver_thread.thread.joinable()) g_solver_thread.thread.join();
}

void solver_set_recalc_accuracy(f64 flop, f64 turn, f64 river) {
    g_recalc_accuracy[0] = flop;
    g_recalc_accuracy[1] = turn;
    g_recalc_accuracy[2] = river;
}
