#include "solver/worker_pool.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/auto_event.h"
#include "platform/processors.h"
#include "solver/work_items.h"

namespace {

// A batch as the workers see it. A worker copies the current batch once per
// wake-up and claims items through `claim_`, whose high half is the batch
// generation: a worker still holding the previous batch can claim nothing
// of the next one, so it never touches a work list it was not woken for.
struct Batch {
    WorkItem* const* items = nullptr;
    i32 count = 0;
    u32 generation = 0;
};

constexpr int kGenerationShift = 32;
constexpr u64 kIndexMask = 0xFFFFFFFFu;

class WorkerPool {
public:
    explicit WorkerPool(int workers);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void run(WorkItem* const* items, i32 count);

private:
    void worker(int index);
    Batch current_batch();
    bool claim(const Batch& batch, i32& index);

    std::vector<std::unique_ptr<AutoEvent>> events_;
    std::vector<std::thread> threads_;
    AutoEvent done_;
    std::mutex batch_mutex_;
    Batch batch_;
    std::atomic<u64> claim_{0};
    std::atomic<i32> remaining_{0};
};

WorkerPool::WorkerPool(int workers) {
    for (int i = 0; i < workers; ++i) events_.push_back(std::make_unique<AutoEvent>());
    for (int i = 0; i < workers; ++i) threads_.emplace_back([this, i] { worker(i); });
}

WorkerPool::~WorkerPool() {
    for (const std::unique_ptr<AutoEvent>& event : events_) event->shutdown();
    for (std::thread& thread : threads_) thread.join();
}

void WorkerPool::run(WorkItem* const* items, i32 count) {
    {
        std::lock_guard lock(batch_mutex_);
        batch_.items = items;
        batch_.count = count;
        ++batch_.generation;
        remaining_.store(count);
        claim_.store(static_cast<u64>(batch_.generation) << kGenerationShift);
    }
    for (const std::unique_ptr<AutoEvent>& event : events_) event->set();
    done_.wait();
}

Batch WorkerPool::current_batch() {
    std::lock_guard lock(batch_mutex_);
    return batch_;
}

bool WorkerPool::claim(const Batch& batch, i32& index) {
    u64 seen = claim_.load();
    for (;;) {
        if (static_cast<u32>(seen >> kGenerationShift) != batch.generation) return false;
        const i32 next = static_cast<i32>(seen & kIndexMask);
        if (next >= batch.count) return false;
        if (claim_.compare_exchange_weak(seen, seen + 1)) {
            index = next;
            return true;
        }
    }
}

void WorkerPool::worker(int index) {
    set_solver_float_mode();
    AutoEvent& wake = *events_[static_cast<std::size_t>(index)];
    while (wake.wait()) {
        const Batch batch = current_batch();
        i32 k = 0;
        while (claim(batch, k)) {
            run_work_item(*batch.items[k]);
            if (remaining_.fetch_sub(1) == 1) done_.set();
        }
    }
}

std::mutex g_pool_mutex;
std::unique_ptr<WorkerPool> g_pool;

}  // namespace

// Held for the whole batch, so that stopping the pool waits for it.
void run_on_worker_pool(WorkItem* const* items, i32 count) {
    std::lock_guard lock(g_pool_mutex);
    if (!g_pool) g_pool = std::make_unique<WorkerPool>(logical_processor_count());
    g_pool->run(items, count);
}

void stop_worker_pool() {
    std::lock_guard lock(g_pool_mutex);
    g_pool.reset();
}
