// Blocks and checks shared by the FSE and Huffman coder tests.
#pragma once

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/int_types.h"

namespace fse_test {

using Bytes = std::vector<u8>;

// A result as the signed number its error code reads as (-1 to -7).
inline i64 as_signed(u64 result) {
    return static_cast<i64>(result);
}

// FNV-1a over 32 bits.
inline u32 fnv1a(const u8* p, u64 n) {
    u32 h = 0x811c9dc5u;
    for (u64 i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 0x01000193u;
    }
    return h;
}

// The LCG block of the known-answer vectors: half zeros, then ones, twos,
// threes, and sixteen rarer values.
inline Bytes lcg_block(u64 n) {
    Bytes b(n);
    u32 x = 1;
    for (u64 i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        const u32 r = (x >> 16) & 255;
        b[i] = static_cast<u8>(r < 128   ? 0
                               : r < 192 ? 1
                               : r < 224 ? 2
                               : r < 240 ? 3
                                         : 4 + (r & 15));
    }
    return b;
}

// Random blocks of the shapes that stress a table coder.
enum class Shape {
    kUniform,     // k symbols, equally likely
    kGeometric,   // each symbol half as likely as the one before
    kTwoSymbols,  // two values, one much rarer
    kOneRare,     // one value and a single other byte
    kAllValues,   // every byte value at least once, skewed
    kRuns,        // runs of random length
    kSparseHigh,  // few symbols spread over the whole byte range
};
inline constexpr Shape kShapes[] = {Shape::kUniform,   Shape::kGeometric, Shape::kTwoSymbols,
                                    Shape::kOneRare,   Shape::kAllValues, Shape::kRuns,
                                    Shape::kSparseHigh};

inline Bytes make_block(Shape shape, u64 n, std::mt19937& gen) {
    Bytes b(n);
    switch (shape) {
        case Shape::kUniform: {
            const u32 k = 2 + gen() % 255;
            for (auto& x : b) x = static_cast<u8>(gen() % k);
            break;
        }
        case Shape::kGeometric:
            for (auto& x : b) {
                const u32 r = gen() | 0x80000000u;
                x = static_cast<u8>(__builtin_ctz(r) * 7);
            }
            break;
        case Shape::kTwoSymbols: {
            const u32 rare = 2 + gen() % 200;
            const u8 a = static_cast<u8>(gen()), c = static_cast<u8>(a + 1 + gen() % 255);
            for (auto& x : b) x = gen() % rare == 0 ? c : a;
            break;
        }
        case Shape::kOneRare: {
            const u8 a = static_cast<u8>(gen());
            for (auto& x : b) x = a;
            b[gen() % n] = static_cast<u8>(a ^ (1 + gen() % 255));
            break;
        }
        case Shape::kAllValues:
            for (u64 i = 0; i < n; ++i) {
                b[i] = i < 256 ? static_cast<u8>(i)
                               : static_cast<u8>(gen() % 16 == 0 ? gen() : gen() % 8);
            }
            std::shuffle(b.begin(), b.end(), gen);
            break;
        case Shape::kRuns:
            for (u64 i = 0; i < n;) {
                const u8 v = static_cast<u8>(gen() % 6);
                const u64 len = 1 + gen() % 40;
                for (u64 j = 0; j < len && i < n; ++j) b[i++] = v;
            }
            break;
        case Shape::kSparseHigh: {
            u8 values[5];
            for (auto& v : values) v = static_cast<u8>(gen());
            for (auto& x : b) x = values[gen() % (gen() % 3 == 0 ? 5 : 2)];
            break;
        }
    }
    return b;
}

inline std::string shape_name(Shape shape) {
    static const char* const kNames[] = {"uniform",    "geometric", "two-symbols", "one-rare",
                                         "all-values", "runs",      "sparse-high"};
    return kNames[static_cast<int>(shape)];
}

}  // namespace fse_test
