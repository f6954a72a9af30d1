#include "solver/arithmetic_limits.h"

#include <cmath>

bool range_weights_fit(std::span<const f64> weights) {
    for (const f64 weight : weights) {
        if (!(std::fabs(weight) <= kMaxRangeWeight)) return false;
    }
    return true;
}
