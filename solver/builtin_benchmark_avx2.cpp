#include <cmath>

#include "solver/builtin_benchmark.h"

f64 round_to_decimals_avx2(f64 x, i32 n) {
    const f64 p = static_cast<f64>(static_cast<i64>(std::pow(10.0, n)));
    return std::floor(std::fma(x, p, 0.5)) / p;
}
