// Keeps subnormal floats alive for one test. The program runs with
// flush-to-zero and denormals-are-zero, and a test that ran a solver pass on
// this thread may have left them set: a later test that feeds subnormal values
// to a kernel would then see zeros.
#pragma once

#include <xmmintrin.h>

#include "platform/int_types.h"

class SubnormalsKept {
public:
    SubnormalsKept() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ & ~kFlushAndDenormalsAreZero); }
    ~SubnormalsKept() { _mm_setcsr(saved_); }
    SubnormalsKept(const SubnormalsKept&) = delete;
    SubnormalsKept& operator=(const SubnormalsKept&) = delete;

private:
    // FTZ (bit 15) and DAZ (bit 6) of MXCSR.
    static constexpr u32 kFlushAndDenormalsAreZero = 0x8040;
    u32 saved_;
};
