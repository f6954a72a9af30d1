// Throughput of the codec front end and codec 2 on river-sized rows (1081
// hands), the way a coded arena uses them: an encoder or decoder per block
// of 40 rows, each row written against the previous row of the block.
// Prints millions of values per second for writing and reading, and the
// coded bytes per value. `codec_bench generic` forces the generic kernels;
// `codec_bench all` adds codecs 0 and 1 for comparison.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "codecs/codec.h"
#include "codecs/memory_channels.h"
#include "platform/cpu_features.h"

namespace {

constexpr int kHands = 1081;
constexpr int kRowsPerBlock = 40;
constexpr int kBlocks = 64;

// Rows like the stores': quantised regrets (16-bit, a fifth of the hands at
// 0, the rest drifting from row to row) and strategy sums (32-bit, growing).
template <class T>
std::vector<std::vector<T>> make_rows(bool sums, u32 seed) {
    std::mt19937 gen(seed);
    std::vector<std::vector<T>> rows(kRowsPerBlock * kBlocks, std::vector<T>(kHands));
    std::vector<i64> base(kHands);
    for (i64& b : base) b = sums ? gen() % 2000000 : gen() % 3000;
    for (auto& row : rows) {
        for (int h = 0; h < kHands; ++h) {
            base[h] += static_cast<i64>(gen() % 41) - 20;
            if (base[h] < 0) base[h] = 0;
            const bool dead = !sums && (h * 7919 + 13) % 5 == 0;
            row[h] = dead ? 0 : static_cast<T>(base[h]);
        }
    }
    return rows;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void write_row(CodecWriter* w, const std::vector<u16>& v, const std::vector<u16>* ref) {
    codec_write_u16_array(w, v.data(), ref ? ref->data() : nullptr, kHands);
}
void write_row(CodecWriter* w, const std::vector<u32>& v, const std::vector<u32>* ref) {
    codec_write_u32_array(w, v.data(), ref ? ref->data() : nullptr, kHands);
}
void read_row(CodecReader* r, std::vector<u16>& out, const std::vector<u16>* ref) {
    codec_read_u16_array(r, out.data(), ref ? ref->data() : nullptr, kHands);
}
void read_row(CodecReader* r, std::vector<u32>& out, const std::vector<u32>* ref) {
    codec_read_u32_array(r, out.data(), ref ? ref->data() : nullptr, kHands);
}

template <class T>
void run(const char* name, i32 codec, bool sums, bool with_ref) {
    const auto rows = make_rows<T>(sums, 7);
    std::vector<ChannelBytes> blocks(kBlocks);
    std::vector<u64> histogram(256, 1), gather(256);
    const int repeats = codec == 2 ? 8 : 1;
    double write_s = 0, read_s = 0;
    u64 coded = 0;
    for (int rep = 0; rep < repeats; ++rep) {
        auto start = std::chrono::steady_clock::now();
        for (int b = 0; b < kBlocks; ++b) {
            for (auto& ch : blocks[b].channel) ch.clear();
            CodecStats stats;
            CodecWriter* w = codec_create_encoder(codec, histogram.data(), gather.data(),
                                                  ChannelBytes::append, &blocks[b], &stats);
            for (int r = 0; r < kRowsPerBlock; ++r) {
                const int i = b * kRowsPerBlock + r;
                write_row(w, rows[i], with_ref && r > 0 ? &rows[i - 1] : nullptr);
            }
            codec_destroy(w);
        }
        write_s += seconds_since(start);
        start = std::chrono::steady_clock::now();
        std::vector<T> out(kHands);
        std::vector<T> previous(kHands);
        for (int b = 0; b < kBlocks; ++b) {
            ChannelSource source(blocks[b]);
            CodecReader* reader = codec_create_decoder(ChannelSource::read, &source);
            for (int r = 0; r < kRowsPerBlock; ++r) {
                read_row(reader, out, with_ref && r > 0 ? &previous : nullptr);
                if (out != rows[b * kRowsPerBlock + r]) {
                    std::printf("%s: row %d of block %d does not read back\n", name, r, b);
                    return;
                }
                previous.swap(out);
            }
            codec_destroy(reader);
        }
        read_s += seconds_since(start);
    }
    for (const ChannelBytes& b : blocks) coded += b.joined().size();
    const double values = static_cast<double>(kHands) * kRowsPerBlock * kBlocks * repeats;
    std::printf("codec %d %-22s write %7.1f Mvalues/s  read %7.1f Mvalues/s  %.3f bytes/value\n",
                codec, name, values / write_s / 1e6, values / read_s / 1e6,
                static_cast<double>(coded) / (values / repeats));
}

}  // namespace

int main(int argc, char** argv) {
    const bool generic = argc > 1 && std::strcmp(argv[1], "generic") == 0;
    const bool all = argc > 1 && std::strcmp(argv[1], "all") == 0;
    if (generic) force_generic_kernels(true);
    std::printf("kernels: %s\n", generic || !cpu_has_avx2_set() ? "generic" : "avx2");
    for (i32 codec : all ? std::vector<i32>{2, 1, 0} : std::vector<i32>{2}) {
        run<u16>("u16 regrets, ref", codec, false, true);
        run<u16>("u16 regrets, no ref", codec, false, false);
        run<u32>("u32 sums, ref", codec, true, true);
        run<u32>("u32 sums, no ref", codec, true, false);
    }
    return 0;
}
