#include "platform/cpu_features.h"

#include <cpuid.h>

#include <atomic>

#include "platform/int_types.h"

namespace {

struct CpuidRegs {
    u32 eax = 0, ebx = 0, ecx = 0, edx = 0;
};

// A leaf above the processor's maximum answers with garbage on some models,
// so the maximum is checked first (that is what __get_cpuid_count does).
CpuidRegs cpuid(u32 leaf, u32 subleaf) {
    CpuidRegs r;
    if (!__get_cpuid_count(leaf, subleaf, &r.eax, &r.ebx, &r.ecx, &r.edx)) return CpuidRegs{};
    return r;
}

// XGETBV is emitted by hand: the _xgetbv intrinsic needs -mxsave, and this
// file must stay baseline x86-64 because it decides whether AVX may run.
u64 read_xcr0() {
    u32 lo = 0, hi = 0;
    asm volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    return (u64(hi) << 32) | lo;
}

bool bit(u32 word, int n) {
    return (word >> n) & 1u;
}

CpuFeatures detect() {
    CpuFeatures f;
    const CpuidRegs l1 = cpuid(1, 0);
    f.sse3 = bit(l1.ecx, 0);
    const bool osxsave = bit(l1.ecx, 27);
    // XCR0 bits 1 and 2: the OS saves XMM and YMM state on context switches;
    // without both, AVX instructions fault even when the processor has them.
    const bool ymm_enabled = osxsave && (read_xcr0() & 0x6) == 0x6;
    f.avx = bit(l1.ecx, 28) && ymm_enabled;

    const CpuidRegs l7 = cpuid(7, 0);
    const CpuidRegs ext = cpuid(0x80000001, 0);
    const bool fma = bit(l1.ecx, 12);
    const bool f16c = bit(l1.ecx, 29);
    const bool bmi1 = bit(l7.ebx, 3);
    const bool avx2 = bit(l7.ebx, 5);
    const bool bmi2 = bit(l7.ebx, 8);
    const bool lzcnt = bit(ext.ecx, 5);
    f.avx2_set = f.avx && avx2 && fma && bmi1 && bmi2 && lzcnt && f16c;
    return f;
}

std::atomic<bool>& generic_forced() {
    static std::atomic<bool> forced{false};
    return forced;
}

}  // namespace

const CpuFeatures& cpu_features() {
    static const CpuFeatures features = detect();
    return features;
}

bool cpu_has_avx2_set() {
    return cpu_features().avx2_set && !generic_forced().load(std::memory_order_relaxed);
}

void force_generic_kernels(bool on) {
    generic_forced().store(on, std::memory_order_relaxed);
}
