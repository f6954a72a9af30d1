#include "platform/memory_status.h"

#include <sys/resource.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

struct MemInfo {
    u64 total_kib = 0;
    u64 available_kib = 0;
};

MemInfo read_meminfo() {
    MemInfo info;
    std::ifstream in("/proc/meminfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key;
        u64 kib = 0;
        if (!(fields >> key >> kib)) continue;
        if (key == "MemTotal:") info.total_kib = kib;
        if (key == "MemAvailable:") info.available_kib = kib;
    }
    return info;
}

}  // namespace

MemoryStatus memory_status() {
    const MemInfo info = read_meminfo();
    MemoryStatus status;
    if (info.total_kib == 0) return status;
    const u64 available = info.available_kib < info.total_kib ? info.available_kib : info.total_kib;
    status.total_bytes = info.total_kib * 1024;
    status.load_percent = u32(100 - available * 100 / info.total_kib);
    return status;
}

u64 available_physical_memory(const MemoryStatus& status) {
    return status.total_bytes * (100 - status.load_percent) / 100;
}

u64 peak_resident_bytes() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    return u64(usage.ru_maxrss) * 1024;
}

u64 current_resident_bytes() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key;
        u64 kib = 0;
        if (fields >> key >> kib && key == "VmRSS:") return kib * 1024;
    }
    return 0;
}
