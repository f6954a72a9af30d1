#include "solver/arithmetic_limits.h"

const char* range_weight_fault(std::span<const f64> weights) {
    for (const f64 weight : weights) {
        if (weight < 0.0) return "weight below 0";
        if (!(weight <= kMaxRangeWeight)) return "weight too large (at most 1e+12)";
    }
    return nullptr;
}
