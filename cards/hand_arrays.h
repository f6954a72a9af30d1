// Per-hand arrays of the solver (`DoubleArray`, `FloatArray`): an aligned
// buffer from the scalable allocator and a count. An array without data
// stands for all zeros. The routines that move per-hand values between hand
// orders are in cards/hand_maps.h.
#pragma once

#include <vector>

#include "platform/int_types.h"

struct DoubleArray {
    f64* data = nullptr;
    i32 count = 0;
    // Values the buffer holds, at least count; 0 without data.
    i32 capacity = 0;

    DoubleArray() = default;
    DoubleArray(const DoubleArray&) = delete;
    DoubleArray& operator=(const DoubleArray&) = delete;
    DoubleArray(DoubleArray&& other) noexcept;
    DoubleArray& operator=(DoubleArray&& other) noexcept;
    ~DoubleArray() { release(); }

    // Makes the array hold n values: its own when n is the count, otherwise
    // uninitialised ones. A buffer that holds n values is kept, so that an
    // array going from one hand list to another does not go back to the
    // allocator; n <= 0 frees it. An allocation failure ends the process.
    void resize(i32 n);
    // Frees the buffer and sets the count to 0; an array without data keeps
    // its count.
    void release();
    // Makes the array hold count zeros, taking a buffer when it has none.
    void fill_zero();
};

// Same as DoubleArray, except that `release` keeps the count.
struct FloatArray {
    f32* data = nullptr;
    i32 count = 0;

    FloatArray() = default;
    FloatArray(const FloatArray&) = delete;
    FloatArray& operator=(const FloatArray&) = delete;
    FloatArray(FloatArray&& other) noexcept;
    FloatArray& operator=(FloatArray&& other) noexcept;
    ~FloatArray() { release(); }

    void resize(i32 n);
    // `resize` for buffers whose failure the caller reports: false, with the
    // array unchanged, when the allocator refuses.
    bool try_resize(i32 n);
    void release();
    void fill_zero();
    void assign(const f32* values, i32 n);
};

// Aligned buffers from the scalable allocator for other large working data;
// nullptr when bytes is 0 or the allocator refuses (the caller decides).
void* aligned_buffer_alloc(std::size_t bytes, std::size_t alignment);
void aligned_buffer_free(void* p);

void destroy_double_arrays(std::vector<DoubleArray>& list);

// A buffer that cannot be had ends the process with the fatal "out of memory"
// exit, since the solver's kernels cannot go on without it; on a thread that
// calls this (the command thread), it throws std::bad_alloc instead, so that
// the command answers "out of memory" and the program goes on, except inside
// a parallel region, whose team cannot carry an exception out.
void throw_on_failed_allocation_here();
