// Throughput of the node-data kernels, generic against AVX2, on river-sized
// rows (1081 hands). Prints nanoseconds per hand.
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "platform/cpu_features.h"
#include "storage/node_kernels.h"

namespace {

constexpr int kHands = 1081;
constexpr int kRepeats = 20000;

template <class Fn>
double ns_per_hand(Fn fn) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRepeats; ++i) fn();
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::nano>(end - start).count() / kRepeats / kHands;
}

void run(const char* name, const NodeKernels& k) {
    std::mt19937 gen(1);
    std::uniform_real_distribution<double> payoff(-50, 50);
    std::vector<f64> action(kHands), node(kHands), out(kHands);
    std::vector<f32> row(kHands, 1.0f), totals(kHands, 3.0f);
    std::vector<u16> row16(kHands, 1000);
    for (int h = 0; h < kHands; ++h) {
        action[h] = payoff(gen);
        node[h] = payoff(gen);
    }
    const double normalize =
        ns_per_hand([&] { k.normalize_f32(out.data(), row.data(), totals.data(), kHands, 0.5f); });
    const double update =
        ns_per_hand([&] { k.update_regrets_f32(row.data(), action.data(), node.data(), kHands); });
    const double update16 = ns_per_hand([&] {
        k.update_regrets_u16(row16.data(), action.data(), node.data(), kHands, 37.0f, 0.008f);
    });
    const double accumulate = ns_per_hand(
        [&] { k.accumulate_f32(row.data(), action.data(), node.data(), kHands, 1e-9); });
    std::printf("%-8s normalize %.3f  update f32 %.3f  update u16 %.3f  accumulate %.3f ns/hand\n",
                name, normalize, update, update16, accumulate);
}

}  // namespace

int main() {
    run("generic", node_kernels_generic());
    if (cpu_features().avx2_set) run("avx2", node_kernels_avx2());
    return 0;
}
