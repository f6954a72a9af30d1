// Throughput of the FSE block coder on 64 KB blocks, the channel codec's
// block size: compression through the generic and the AVX2 kernels, and
// decompression. Prints MB/s of source bytes (1 MB = 10^6 bytes).
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "codecs/fse/fse.h"
#include "codecs/fse/fse_internal.h"
#include "platform/cpu_features.h"

namespace {

using Bytes = std::vector<u8>;
constexpr u64 kBlock = 65536;

// Blocks shaped like codec channels: small context codes, skewed; the LCG
// mixture of the known-answer tests; near-uniform noise over 64 values.
Bytes make_block(int kind, std::mt19937& gen) {
    Bytes b(kBlock);
    std::geometric_distribution<int> geometric(kind == 0 ? 0.45 : 0.08);
    u32 x = 1;
    for (auto& v : b) {
        switch (kind) {
            case 0:
            case 1:
                v = static_cast<u8>(std::min(geometric(gen), 255));
                break;
            case 2: {
                x = x * 1103515245u + 12345u;
                const u32 r = (x >> 16) & 255;
                v = static_cast<u8>(r < 128   ? 0
                                    : r < 192 ? 1
                                    : r < 224 ? 2
                                    : r < 240 ? 3
                                              : 4 + (r & 15));
                break;
            }
            default:
                v = static_cast<u8>(gen() % 64);
        }
    }
    return b;
}

const char* kKindNames[] = {"skewed (p=0.45)", "wide geometric", "lcg mixture", "uniform 64"};

template <class Fn>
double mb_per_s(Fn fn, int repeats) {
    fn();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeats; ++i) fn();
    const auto end = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(end - start).count();
    return static_cast<double>(kBlock) * repeats / seconds / 1e6;
}

}  // namespace

int main() {
    constexpr int kRepeats = 3000;
    std::mt19937 gen(1);
    std::printf("%-18s %8s %12s %12s %12s\n", "block", "ratio", "comp gen", "comp avx2", "decomp");
    for (int kind = 0; kind < 4; ++kind) {
        const Bytes src = make_block(kind, gen);
        Bytes coded(FSE_compressBound(kBlock));
        Bytes back(kBlock);
        const u64 size = FSE_compress(coded.data(), coded.size(), src.data(), src.size());
        if (FSE_isError(size) || size < 2) {
            std::printf("%-18s not coded (%llu)\n", kKindNames[kind],
                        static_cast<unsigned long long>(size));
            continue;
        }
        auto compress_with = [&](const FseCompressKernels& k) {
            return mb_per_s(
                [&] { k.compress2(coded.data(), coded.size(), src.data(), src.size(), 255, 11); },
                kRepeats);
        };
        const double generic = compress_with(fse_compress_kernels_generic());
        const double avx2 =
            cpu_features().avx2_set ? compress_with(fse_compress_kernels_avx2()) : 0.0;
        const double decomp = mb_per_s(
            [&] { FSE_decompress(back.data(), back.size(), coded.data(), size); }, kRepeats);
        std::printf("%-18s %8.3f %9.0f MB/s %7.0f MB/s %7.0f MB/s\n", kKindNames[kind],
                    static_cast<double>(size) / kBlock, generic, avx2, decomp);
    }
    return 0;
}
