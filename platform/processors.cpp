#include "platform/processors.h"

#include <pthread.h>
#include <sched.h>

#include <thread>
#include <vector>

namespace {

// The processors this process may run on, read once. It must not be read again
// later: a worker that has pinned itself would then see a one-processor mask,
// and the pool it reports to would shrink to one worker.
const std::vector<int>& allowed_processors() {
    static const std::vector<int> cpus = [] {
        std::vector<int> ids;
        cpu_set_t set;
        CPU_ZERO(&set);
        if (sched_getaffinity(0, sizeof(set), &set) == 0) {
            for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
                if (CPU_ISSET(cpu, &set)) ids.push_back(cpu);
            }
        }
        return ids;
    }();
    return cpus;
}

}  // namespace

int logical_processor_count() {
    const int allowed = int(allowed_processors().size());
    if (allowed > 0) return allowed;
    const int hardware = int(std::thread::hardware_concurrency());
    return hardware > 0 ? hardware : 1;
}

void set_preferred_processor(int index) {
    const std::vector<int>& cpus = allowed_processors();
    if (cpus.empty()) return;
    const int n = int(cpus.size());
    const int k = ((index % n) + n) % n;
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(cpus[k], &set);
    pthread_setaffinity_np(pthread_self(), sizeof(set), &set);
}
