// Processor features read once through CPUID/XGETBV. Start-up uses them to
// refuse a processor without AVX, and every hot routine picks its generic or
// AVX2 variant from `cpu_has_avx2_set` when it first runs.
#pragma once

struct CpuFeatures {
    bool avx = false;       // AVX with OS support for the YMM state
    bool avx2_set = false;  // AVX2, FMA, BMI1, BMI2, LZCNT and F16C together
    bool sse3 = false;
};

// Features of this processor; computed on first call, then cached.
const CpuFeatures& cpu_features();

// Shorthand for the dispatch decisions of hot kernels. Tests may force the
// generic variants with `force_generic_kernels(true)` before any kernel runs.
bool cpu_has_avx2_set();
void force_generic_kernels(bool on);
