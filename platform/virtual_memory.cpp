#include "platform/virtual_memory.h"

#include <sys/mman.h>
#include <unistd.h>

namespace {

u64 round_up(u64 bytes, u64 page) {
    return (bytes + page - 1) & ~(page - 1);
}

}  // namespace

u64 vm_page_size() {
    static const u64 page = u64(sysconf(_SC_PAGESIZE));
    return page;
}

u64 vm_round_to_pages(u64 bytes) {
    return round_up(bytes, vm_page_size());
}

// No MAP_NORESERVE: a PROT_NONE mapping is not charged against the commit
// limit anyway, and leaving it out keeps the charge at mprotect time, so that
// a commit beyond the machine's memory fails here (and is reported) instead of
// succeeding and ending in the OOM killer on first touch.
void* vm_reserve(u64 bytes) {
    if (bytes == 0) return nullptr;
    void* p = mmap(nullptr, round_up(bytes, vm_page_size()), PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS,
                   -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

bool vm_commit(void* addr, u64 bytes) {
    if (bytes == 0) return true;
    const u64 page = vm_page_size();
    const u64 start = u64(addr) & ~(page - 1);
    const u64 end = round_up(u64(addr) + bytes, page);
    return mprotect(reinterpret_cast<void*>(start), end - start, PROT_READ | PROT_WRITE) == 0;
}

void* vm_reserve_commit(u64 bytes) {
    if (bytes == 0) return nullptr;
    const u64 length = round_up(bytes, vm_page_size());
    void* p = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    // River stores are read before they are first written: with small pages
    // every such page is first mapped to the shared zero page and then copied
    // with a flush on every processor. Huge pages avoid most of it; where the
    // kernel has them switched off the advice is ignored.
    madvise(p, length, MADV_HUGEPAGE);
    return p;
}

bool vm_release(void* addr, u64 bytes) {
    if (addr == nullptr) return true;
    return munmap(addr, round_up(bytes, vm_page_size())) == 0;
}

void* vm_reserve_lazy(u64 bytes) {
    if (bytes == 0) return nullptr;
    const u64 length = round_up(bytes, vm_page_size());
    void* p = mmap(nullptr, length, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) return nullptr;
    // Where the kernel backs every mapping with huge pages, a stream that
    // wrote a few bytes would hold 2 MB.
    madvise(p, length, MADV_NOHUGEPAGE);
    return p;
}

bool vm_discard(void* addr, u64 bytes) {
    const u64 page = vm_page_size();
    const u64 start = round_up(u64(addr), page);
    const u64 end = (u64(addr) + bytes) & ~(page - 1);
    if (end <= start) return true;
    return madvise(reinterpret_cast<void*>(start), end - start, MADV_DONTNEED) == 0;
}
