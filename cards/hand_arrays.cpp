#include "cards/hand_arrays.h"

#include <omp.h>
#include <pthread.h>
#include <tbb/scalable_allocator.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "cards/fail.h"

namespace {

constexpr std::size_t kArrayAlignment = 16;

// The scalable allocator carves buffers out of pools of its own, inside which
// the address sanitizer sees neither overruns nor leaks, and the thread
// sanitizer does not see a buffer that one thread freed go to another, so it
// takes the reuse for a race; sanitizer builds take every buffer from the C
// library instead, at its exact size.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VOSTREL_BUFFERS_FROM_C_LIBRARY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VOSTREL_BUFFERS_FROM_C_LIBRARY 1
#endif
#endif

#if defined(VOSTREL_BUFFERS_FROM_C_LIBRARY)
void* raw_alloc(std::size_t bytes, std::size_t alignment) {
    void* p = nullptr;
    return posix_memalign(&p, alignment, bytes) == 0 ? p : nullptr;
}
void raw_free(void* p) {
    std::free(p);
}
#else
void* raw_alloc(std::size_t bytes, std::size_t alignment) {
    return scalable_aligned_malloc(bytes, alignment);
}
void raw_free(void* p) {
    scalable_free(p);
}
#endif

template <typename T>
T* try_allocate_values(i32 n) {
    return static_cast<T*>(raw_alloc(sizeof(T) * static_cast<std::size_t>(n), kArrayAlignment));
}

// The one thread whose failed allocations throw.
std::atomic<bool> g_throwing_thread_set{false};
pthread_t g_throwing_thread;

bool failed_allocation_throws_here() {
    return g_throwing_thread_set.load(std::memory_order_acquire) &&
           pthread_equal(pthread_self(), g_throwing_thread) && !omp_in_parallel();
}

// A buffer of n values, or the fatal "out of memory" exit (an exception where
// the thread asked for one): an array that silently stayed without data would
// read as all zeros.
template <typename T>
T* allocate_values(i32 n) {
    T* p = try_allocate_values<T>(n);
    if (p) return p;
    if (failed_allocation_throws_here()) throw std::bad_alloc();
    fail("out of memory");
}

}  // namespace

DoubleArray::DoubleArray(DoubleArray&& other) noexcept
    : data(std::exchange(other.data, nullptr)),
      count(std::exchange(other.count, 0)),
      capacity(std::exchange(other.capacity, 0)) {}

DoubleArray& DoubleArray::operator=(DoubleArray&& other) noexcept {
    if (this == &other) return *this;
    if (data) raw_free(data);
    data = std::exchange(other.data, nullptr);
    count = std::exchange(other.count, 0);
    capacity = std::exchange(other.capacity, 0);
    return *this;
}

void DoubleArray::resize(i32 n) {
    if (data && n > 0 && n <= capacity) {
        count = n;
        return;
    }
    if (data) raw_free(data);
    data = nullptr;
    capacity = 0;
    count = n;
    if (n <= 0) return;
    data = allocate_values<f64>(n);
    capacity = n;
}

void DoubleArray::release() {
    if (!data) return;
    raw_free(data);
    data = nullptr;
    count = 0;
    capacity = 0;
}

void DoubleArray::fill_zero() {
    if (count <= 0) return;
    if (!data) {
        data = allocate_values<f64>(count);
        capacity = count;
    }
    std::memset(data, 0, sizeof(f64) * static_cast<std::size_t>(count));
}

FloatArray::FloatArray(FloatArray&& other) noexcept
    : data(std::exchange(other.data, nullptr)), count(std::exchange(other.count, 0)) {}

FloatArray& FloatArray::operator=(FloatArray&& other) noexcept {
    if (this == &other) return *this;
    if (data) raw_free(data);
    data = std::exchange(other.data, nullptr);
    count = std::exchange(other.count, 0);
    return *this;
}

void FloatArray::resize(i32 n) {
    if (n == count && data) return;
    if (data) raw_free(data);
    data = nullptr;
    count = n;
    if (n > 0) data = allocate_values<f32>(n);
}

bool FloatArray::try_resize(i32 n) {
    if (n == count && data) return true;
    f32* fresh = n > 0 ? try_allocate_values<f32>(n) : nullptr;
    if (n > 0 && !fresh) return false;
    if (data) raw_free(data);
    data = fresh;
    count = n;
    return true;
}

void FloatArray::release() {
    if (!data) return;
    raw_free(data);
    data = nullptr;
}

void FloatArray::fill_zero() {
    if (count <= 0) return;
    if (!data) data = allocate_values<f32>(count);
    std::memset(data, 0, sizeof(f32) * static_cast<std::size_t>(count));
}

void FloatArray::assign(const f32* values, i32 n) {
    resize(n);
    if (n > 0) std::memcpy(data, values, sizeof(f32) * static_cast<std::size_t>(n));
}

void* aligned_buffer_alloc(std::size_t bytes, std::size_t alignment) {
    if (bytes == 0) return nullptr;
    return raw_alloc(bytes, alignment);
}

void aligned_buffer_free(void* p) {
    if (p) raw_free(p);
}

void destroy_double_arrays(std::vector<DoubleArray>& list) {
    for (DoubleArray& array : list) array.release();
    std::vector<DoubleArray>().swap(list);
}

void throw_on_failed_allocation_here() {
    g_throwing_thread = pthread_self();
    g_throwing_thread_set.store(true, std::memory_order_release);
}
