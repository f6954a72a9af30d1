// Seven-card evaluations per second of the two variants of eval_cards, on a
// fixed pseudo-random set of hands.
#include <cstdio>
#include <random>
#include <vector>

#include "cards/eval_cards_variants.h"
#include "cards/evaluator.h"
#include "platform/clock.h"
#include "platform/cpu_features.h"

namespace {

constexpr int kHands = 1 << 20;
constexpr int kRounds = 8;

std::vector<u8> make_hands() {
    std::mt19937 rng(20240607);
    std::vector<u8> hands(static_cast<std::size_t>(kHands) * 7);
    for (int h = 0; h < kHands; ++h) {
        u64 used = 0;
        for (int i = 0; i < 7;) {
            int card = static_cast<int>(rng() % 52);
            if (used >> card & 1) continue;
            used |= u64{1} << card;
            hands[static_cast<std::size_t>(h) * 7 + i++] = static_cast<u8>(card);
        }
    }
    return hands;
}

void run(const char* name, u32 (*eval)(const u8*, int), const std::vector<u8>& hands) {
    u32 checksum = 0;
    i64 start = timer_now_ns();
    for (int round = 0; round < kRounds; ++round) {
        for (int h = 0; h < kHands; ++h)
            checksum += eval(&hands[static_cast<std::size_t>(h) * 7], 7);
    }
    f64 seconds = static_cast<f64>(timer_now_ns() - start) * 1e-9;
    std::printf("%-8s %8.1f M evaluations/s (checksum %08x)\n", name,
                static_cast<f64>(kHands) * kRounds / seconds * 1e-6, checksum);
}

}  // namespace

int main() {
    init_eval_tables();
    std::vector<u8> hands = make_hands();
    run("generic", eval_cards_generic, hands);
    if (cpu_features().avx2_set) {
        run("avx2", eval_cards_avx2, hands);
    } else {
        std::printf("avx2     not available on this processor\n");
    }
    return 0;
}
