#include "platform/int_types.h"
#include "solver/array_kernel_table.h"

namespace array_generic {
#include "solver/array_kernels_impl.h"

static f64 masked_sum_loop(const f64* reach, const u64* masks, i32 n, u64 mine) {
    f64 sum = 0.0;
    for (i32 j = 0; j < n; ++j)
        if (!(masks[j] & mine)) sum += reach[j];
    return sum;
}

}  // namespace array_generic

const ArrayKernels& array_kernels_generic() {
    static const ArrayKernels table{
        array_generic::mul_loop,          array_generic::mul_inplace_loop,
        array_generic::fma_loop,          array_generic::add_loop,
        array_generic::max_loop,          array_generic::scale_loop,
        array_generic::scale_signed_loop, array_generic::scale_positive_loop,
        array_generic::add_scaled_loop,   array_generic::masked_sum_loop,
    };
    return table;
}
