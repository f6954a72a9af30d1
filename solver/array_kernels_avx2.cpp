#include <immintrin.h>

#include "platform/int_types.h"
#include "solver/array_kernel_table.h"

namespace array_avx2 {
#include "solver/array_kernels_impl.h"

// Written with intrinsics: GCC 12.2 at -O3 with -mavx2 vectorises the plain
// form of this loop (a select on a 64-bit mask test feeding eight partial
// sums) into code that adds the wrong lanes.
static f64 masked_sum_loop(const f64* reach, const u64* masks, i32 n, u64 mine) {
    const __m256i own = _mm256_set1_epi64x(static_cast<long long>(mine));
    const __m256i none = _mm256_setzero_si256();
    __m256d acc[2] = {_mm256_setzero_pd(), _mm256_setzero_pd()};
    i32 j = 0;
    for (; j + 8 <= n; j += 8) {
        for (int half = 0; half < 2; ++half) {
            const __m256i m =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(masks + j + 4 * half));
            const __m256d keep =
                _mm256_castsi256_pd(_mm256_cmpeq_epi64(_mm256_and_si256(m, own), none));
            acc[half] = _mm256_add_pd(acc[half],
                                      _mm256_and_pd(keep, _mm256_loadu_pd(reach + j + 4 * half)));
        }
    }
    const __m256d both = _mm256_add_pd(acc[0], acc[1]);
    const __m128d pair = _mm_add_pd(_mm256_castpd256_pd128(both), _mm256_extractf128_pd(both, 1));
    f64 sum = _mm_cvtsd_f64(_mm_add_sd(pair, _mm_unpackhi_pd(pair, pair)));
    for (; j < n; ++j)
        if (!(masks[j] & mine)) sum += reach[j];
    return sum;
}

}  // namespace array_avx2

const ArrayKernels& array_kernels_avx2() {
    static const ArrayKernels table{
        array_avx2::mul_loop,          array_avx2::mul_inplace_loop,
        array_avx2::fma_loop,          array_avx2::add_loop,
        array_avx2::max_loop,          array_avx2::scale_loop,
        array_avx2::scale_signed_loop, array_avx2::scale_positive_loop,
        array_avx2::add_scaled_loop,   array_avx2::masked_sum_loop,
    };
    return table;
}
