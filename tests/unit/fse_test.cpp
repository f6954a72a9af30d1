// The FSE block coder: known-answer blocks of this encoder, every
// error code, round trips on random and adversarial blocks, the two processor
// variants byte for byte, and the normalisation's properties and mends.
#include "codecs/fse/fse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "codecs/fse/fse_internal.h"
#include "platform/cpu_features.h"
#include "tests/unit/fse_test_support.h"

namespace {

using namespace fse_test;

struct Variant {
    std::string name;
    const FseCompressKernels* kernels;
};

std::vector<Variant> variants() {
    std::vector<Variant> list{{"generic", &fse_compress_kernels_generic()}};
    if (cpu_features().avx2_set) list.push_back({"avx2", &fse_compress_kernels_avx2()});
    return list;
}

struct Coded {
    u64 result;
    Bytes block;  // the coded bytes when the result is a size of 2 or more
};

Coded compress_with(const FseCompressKernels& k, const Bytes& src) {
    Bytes out(FSE_compressBound(src.size()));
    const u64 r = k.compress2(out.data(), out.size(), src.data(), src.size(), 255, 11);
    out.resize(!FSE_isError(r) && r > 1 ? r : 0);
    return {r, out};
}

Coded compress(const Bytes& src) {
    Bytes out(FSE_compressBound(src.size()));
    const u64 r = FSE_compress(out.data(), out.size(), src.data(), src.size());
    out.resize(!FSE_isError(r) && r > 1 ? r : 0);
    return {r, out};
}

// Decodes into a buffer of exactly `capacity` bytes, so that the address
// sanitizer sees any write past it.
u64 decompress(const Bytes& block, u64 capacity, Bytes* out = nullptr) {
    Bytes dst(capacity);
    const u64 r = FSE_decompress(dst.data(), capacity, block.data(), block.size());
    if (out) *out = dst;
    return r;
}

struct HeaderInfo {
    u64 size;
    u32 table_log;
    u32 max_symbol;
    std::vector<i16> norm;
};

HeaderInfo read_header(const Bytes& block) {
    HeaderInfo h{0, 0, 255, std::vector<i16>(256)};
    h.size = FSE_readNCount(h.norm.data(), &h.max_symbol, &h.table_log, block.data(), block.size());
    h.norm.resize(FSE_isError(h.size) ? 0 : h.max_symbol + 1);
    return h;
}

// Least significant bit first, for crafting headers and streams by hand.
class BitSink {
public:
    void put(u64 value, u32 bits) {
        for (u32 i = 0; i < bits; ++i) {
            if (pos_ % 8 == 0) bytes_.push_back(0);
            bytes_.back() |= static_cast<u8>(((value >> i) & 1) << (pos_ % 8));
            ++pos_;
        }
    }
    Bytes bytes() const { return bytes_; }

private:
    Bytes bytes_;
    u64 pos_ = 0;
};

struct KnownAnswer {
    const char* name;
    Bytes src;
    u64 coded_size;
    u32 fnv;
};

std::vector<KnownAnswer> known_answers() {
    Bytes alternating(65536), small(100), rare(65536);
    for (u64 i = 0; i < 65536; ++i) alternating[i] = i & 1;
    for (u64 i = 0; i < 100; ++i) small[i] = static_cast<u8>(i % 10 == 0 ? 5 : i % 3);
    for (u64 i = 0; i < 65536; ++i) {
        rare[i] = static_cast<u8>(i % 1000 == 999 ? 1 + (i / 1000) % 50 : 0);
    }
    return {{"alternating", alternating, 8199, 0x30eb310f},
            {"small", small, 29, 0x0347b2c8},
            {"rare", rare, 329, 0xa8e12cc4},
            {"lcg", lcg_block(65536), 17469, 0x19e51eea}};
}

TEST(FseBlockCoder, KnownAnswerBlocksOfBothVariants) {
    for (const Variant& v : variants()) {
        for (const KnownAnswer& ka : known_answers()) {
            SCOPED_TRACE(v.name + " " + ka.name);
            const Coded c = compress_with(*v.kernels, ka.src);
            ASSERT_EQ(c.result, ka.coded_size);
            EXPECT_EQ(fnv1a(c.block.data(), c.block.size()), ka.fnv);
            EXPECT_NE(c.block.back(), 0);
            Bytes back;
            EXPECT_EQ(decompress(c.block, ka.src.size(), &back), ka.src.size());
            EXPECT_EQ(back, ka.src);
        }
    }
    const std::vector<KnownAnswer> kas = known_answers();
    EXPECT_EQ(compress(kas[0].src).block.back(), 0x40);
    EXPECT_EQ(compress(kas[1].src).block.back(), 0xa6);
}

TEST(FseBlockCoder, KnownAnswerHeaders) {
    const std::vector<KnownAnswer> kas = known_answers();
    // Two values 32,768 times each: 1,024 states apiece at table log 11.
    const Coded alternating = compress(kas[0].src);
    EXPECT_EQ(Bytes(alternating.block.begin(), alternating.block.begin() + 4),
              (Bytes{0x16, 0xc0, 0xff, 0x03}));
    HeaderInfo h = read_header(alternating.block);
    EXPECT_EQ(h.size, 4u);
    EXPECT_EQ(h.table_log, 11u);
    EXPECT_EQ(h.norm, (std::vector<i16>{1024, 1024}));

    h = read_header(compress(kas[1].src).block);
    EXPECT_EQ(h.table_log, 5u);
    EXPECT_EQ(h.norm, (std::vector<i16>{11, 9, 9, 0, 0, 3}));

    h = read_header(compress(kas[2].src).block);
    EXPECT_EQ(h.table_log, 11u);
    ASSERT_EQ(h.norm.size(), 51u);
    EXPECT_EQ(h.norm[0], 1998);
    for (u32 s = 1; s <= 50; ++s) EXPECT_EQ(h.norm[s], -1) << s;
}

TEST(FseBlockCoder, TwoEqualValuesCostOneBitPerByteInAnyOrder) {
    Bytes src(65536, 0);
    std::fill(src.begin() + 32768, src.end(), 1);
    std::mt19937 gen(7);
    std::shuffle(src.begin(), src.end(), gen);
    const Coded c = compress(src);
    // 4 header bytes; 65,536 bits, two 11-bit states and the end mark.
    EXPECT_EQ(c.result, 4u + (65536 + 22 + 1 + 7) / 8);
    Bytes back;
    EXPECT_EQ(decompress(c.block, 65536, &back), 65536u);
    EXPECT_EQ(back, src);
}

TEST(FseBlockCoder, BlocksNotWorthCodingAndRepeatedBytes) {
    u8 one = 42;
    u8 dst[600];
    EXPECT_EQ(FSE_compress(dst, sizeof dst, &one, 0), 0u);
    EXPECT_EQ(FSE_compress(dst, sizeof dst, &one, 1), 0u);

    Bytes distinct(256);
    for (u32 i = 0; i < 256; ++i) distinct[i] = static_cast<u8>(i);
    EXPECT_EQ(compress(distinct).result, 0u);

    EXPECT_EQ(compress(Bytes(65536, 7)).result, 1u);
    EXPECT_EQ(compress(Bytes(2, 7)).result, 1u);

    // Every value 256 times: the most common byte is below 1/128 of the block.
    Bytes flat(65536);
    for (u64 i = 0; i < flat.size(); ++i) flat[i] = static_cast<u8>(i);
    EXPECT_EQ(compress(flat).result, 0u);

    // Codes to 3 bytes or more, which is not below srcSize - 1.
    EXPECT_EQ(compress(Bytes{1, 2, 1, 2}).result, 0u);
    // Random bytes with one value at 1/128: coded, but not smaller.
    std::mt19937 gen(3);
    Bytes noisy(65536);
    for (auto& b : noisy) b = static_cast<u8>(gen());
    std::fill(noisy.begin(), noisy.begin() + 512, 0);
    EXPECT_EQ(compress(noisy).result, 0u);
}

TEST(FseBlockCoder, BoundOfAFullChannelBlock) {
    EXPECT_EQ(FSE_compressBound(65536), 66560u);
    EXPECT_EQ(FSE_compressBound(0), 512u);
}

TEST(FseBlockCoder, ErrorCodesAndNames) {
    EXPECT_EQ(as_signed(fse_error(FSE_ERROR_GENERIC)), -1);
    EXPECT_EQ(as_signed(fse_error(FSE_ERROR_corruptionDetected)), -7);
    for (u32 code = 1; code < FSE_ERROR_maxCode; ++code) {
        const u64 r = fse_error(static_cast<FseError>(code));
        EXPECT_TRUE(FSE_isError(r));
        EXPECT_EQ(fse_error_code(r), code);
        EXPECT_STRNE(FSE_getErrorName(r), FSE_getErrorName(0));
    }
    EXPECT_FALSE(FSE_isError(0));
    EXPECT_FALSE(FSE_isError(~u64{0} - 7));  // -8 is a size, not an error
    EXPECT_EQ(fse_error_code(12345), FSE_OK_NoError);
}

// A coded block of the "small" vector, with its header size.
struct SmallBlock {
    Bytes block;
    u64 header;
};

SmallBlock small_block() {
    const Coded c = compress(known_answers()[1].src);
    return {c.block, read_header(c.block).size};
}

TEST(FseBlockCoder, DecompressErrors) {
    const Bytes alternating = compress(known_answers()[0].src).block;
    u8 dst[64];
    // -6: fewer than 2 coded bytes, fewer than 4 header bytes, a header that
    // takes the whole input.
    EXPECT_EQ(as_signed(FSE_decompress(dst, 64, alternating.data(), 1)), -6);
    EXPECT_EQ(as_signed(FSE_decompress(dst, 64, alternating.data(), 0)), -6);
    EXPECT_EQ(as_signed(FSE_decompress(dst, 64, alternating.data(), 3)), -6);
    EXPECT_EQ(as_signed(FSE_decompress(dst, 64, alternating.data(), 4)), -6);
    // -1: a bit stream whose last byte is 0.
    Bytes no_mark = alternating;
    no_mark.back() = 0;
    EXPECT_EQ(as_signed(decompress(no_mark, 65536)), -1);
    // -5: the output fills before the stream ends.
    EXPECT_EQ(as_signed(decompress(alternating, 65535)), -5);
    EXPECT_EQ(as_signed(decompress(alternating, 0)), -5);
    // -7: the bits run out before both states are finished.
    SmallBlock s = small_block();
    Bytes short_stream(s.block.begin(), s.block.begin() + s.header);
    short_stream.push_back(0xFF);
    short_stream.push_back(0x01);
    EXPECT_EQ(as_signed(decompress(short_stream, 1000)), -7);
}

TEST(FseBlockCoder, HeaderErrors) {
    u8 dst[64];
    // -2: a table log nibble of 15 states 20.
    const Bytes too_large{0x0F, 0, 0, 0, 0x01};
    EXPECT_EQ(as_signed(FSE_decompress(dst, 64, too_large.data(), too_large.size())), -2);
    // -2 at the table build: a well-formed header for table log 13.
    const Bytes log13{0x18, 0x00, 0xFF, 0x3F, 0x01};
    HeaderInfo h = read_header(log13);
    EXPECT_EQ(h.size, 4u);
    EXPECT_EQ(h.table_log, 13u);
    EXPECT_EQ(h.norm, (std::vector<i16>{4096, 4096}));
    EXPECT_EQ(as_signed(FSE_decompress(dst, 64, log13.data(), log13.size())), -2);

    // -4: a run of zero counts past symbol 255 (11 runs of 24 after symbol 0).
    BitSink zeros_past_end;
    zeros_past_end.put(0, 4);  // table log 5
    zeros_past_end.put(1, 5);  // symbol 0: count 0
    zeros_past_end.put(~u64{0}, 64);
    zeros_past_end.put(~u64{0}, 64);
    zeros_past_end.put(~u64{0}, 48);
    zeros_past_end.put(0, 16);
    Bytes block = zeros_past_end.bytes();
    block.push_back(0x01);
    EXPECT_EQ(as_signed(FSE_decompress(dst, 64, block.data(), block.size())), -4);

    // -1: 256 zero counts, after which states are still left to describe.
    BitSink all_zero;
    all_zero.put(0, 4);
    for (int s = 0; s < 256; ++s) {
        if (s > 0) all_zero.put(0, 2);  // no further zeros
        all_zero.put(1, 5);
    }
    block = all_zero.bytes();
    block.insert(block.end(), {0xFF, 0x01});
    EXPECT_EQ(as_signed(FSE_decompress(dst, 64, block.data(), block.size())), -1);

    // Reading with a lower maximum: a run past it is -4, counts beyond it -1.
    const Bytes rare = compress(known_answers()[2].src).block;
    i16 norm[256];
    u32 max_symbol = 10, table_log = 0;
    EXPECT_EQ(as_signed(FSE_readNCount(norm, &max_symbol, &table_log, rare.data(), rare.size())),
              -1);
    Bytes sparse_norm_header(64);
    i16 sparse[256] = {};
    sparse[0] = 16;
    sparse[200] = 16;
    const u64 size = FSE_writeNCount(sparse_norm_header.data(), 64, sparse, 200, 5);
    ASSERT_FALSE(FSE_isError(size));
    max_symbol = 100;
    EXPECT_EQ(as_signed(FSE_readNCount(norm, &max_symbol, &table_log, sparse_norm_header.data(),
                                       sparse_norm_header.size())),
              -4);
}

TEST(FseBlockCoder, TableBuildErrors) {
    FSE_DTable dt[fse_dtable_size_u32(12)];
    FSE_CTable ct[fse_ctable_size_u32(12, 255)];
    i16 norm[257] = {16, 16};
    EXPECT_EQ(as_signed(FSE_buildDTable(dt, norm, 256, 5)), -3);
    i16 big[2] = {4096, 4096};
    EXPECT_EQ(as_signed(FSE_buildDTable(dt, big, 1, 13)), -2);
    // Counts that do not fill the table, or a count below -1.
    i16 short_norm[2] = {16, 15};
    EXPECT_EQ(as_signed(FSE_buildDTable(dt, short_norm, 1, 5)), -1);
    EXPECT_EQ(as_signed(FSE_buildCTable(ct, short_norm, 1, 5)), -1);
    i16 negative[3] = {17, 17, -2};
    EXPECT_EQ(as_signed(FSE_buildCTable(ct, negative, 2, 5)), -1);
    EXPECT_EQ(as_signed(FSE_buildCTable(ct, big, 1, 13)), -1);
    EXPECT_EQ(FSE_buildCTable(ct, norm, 1, 5), 0u);
    EXPECT_EQ(FSE_buildDTable(dt, norm, 1, 5), 0u);
    // An empty bit stream.
    u8 out[4];
    EXPECT_EQ(as_signed(FSE_decompress_usingDTable(out, 4, out, 0, dt)), -6);
}

TEST(FseBlockCoder, HeaderWriterErrors) {
    const i16 norm[2] = {1024, 1024};
    u8 header[8];
    EXPECT_EQ(FSE_writeNCount(header, 8, norm, 1, 11), 4u);
    EXPECT_EQ(as_signed(FSE_writeNCount(header, 3, norm, 1, 11)), -5);
    EXPECT_EQ(as_signed(FSE_writeNCount(header, 0, norm, 1, 11)), -5);
    const i16 overrun[2] = {1024, 1025};
    EXPECT_EQ(as_signed(FSE_writeNCount(header, 8, overrun, 1, 11)), -1);
    const i16 short_counts[3] = {1000, 1000, 0};
    EXPECT_EQ(as_signed(FSE_writeNCount(header, 8, short_counts, 2, 11)), -1);
    EXPECT_EQ(as_signed(FSE_writeNCount(header, 8, norm, 1, 4)), -1);
    EXPECT_EQ(as_signed(FSE_writeNCount(header, 8, norm, 1, 13)), -1);
    // The header does not fit the output of FSE_compress either.
    const Bytes alternating = known_answers()[0].src;
    u8 dst[3];
    EXPECT_EQ(as_signed(FSE_compress(dst, 3, alternating.data(), alternating.size())), -5);
}

void check_round_trip(const Bytes& src, const std::string& what) {
    SCOPED_TRACE(what + " n=" + std::to_string(src.size()));
    const Coded c = compress(src);
    ASSERT_FALSE(FSE_isError(c.result));
    const u32 largest = [&] {
        u32 count[256] = {};
        for (u8 b : src) ++count[b];
        return *std::max_element(count, count + 256);
    }();
    if (src.size() <= 1) {
        EXPECT_EQ(c.result, 0u);
        return;
    }
    if (largest == src.size()) {
        EXPECT_EQ(c.result, 1u);
        return;
    }
    EXPECT_NE(c.result, 1u);
    if (largest == 1 || largest < (src.size() >> 7)) EXPECT_EQ(c.result, 0u);
    if (c.result == 0) return;
    EXPECT_LT(c.result, src.size() - 1);
    EXPECT_NE(c.block.back(), 0);
    Bytes back;
    ASSERT_EQ(decompress(c.block, src.size(), &back), src.size());
    EXPECT_EQ(back, src);
    EXPECT_EQ(decompress(c.block, src.size() + 100), src.size());
    EXPECT_EQ(as_signed(decompress(c.block, src.size() - 1)), -5);
}

TEST(FseBlockCoder, RoundTripsOfAdversarialBlocks) {
    std::mt19937 gen(11);
    const u64 sizes[] = {1,  2,  3,   4,   5,   6,    7,    8,    9,    15,    16,
                         17, 31, 100, 255, 256, 1000, 4095, 4096, 4097, 65535, 65536};
    for (Shape shape : kShapes) {
        for (u64 n : sizes) check_round_trip(make_block(shape, n, gen), shape_name(shape));
        for (int i = 0; i < 6; ++i) {
            check_round_trip(make_block(shape, 1 + gen() % 65536, gen), shape_name(shape));
        }
    }
    check_round_trip(lcg_block(65536), "lcg");
}

TEST(FseBlockCoder, VariantsGiveTheSameBytes) {
    const std::vector<Variant> list = variants();
    if (list.size() < 2) GTEST_SKIP() << "no AVX2 on this processor";
    std::mt19937 gen(21);
    for (int i = 0; i < 150; ++i) {
        const Shape shape = kShapes[i % std::size(kShapes)];
        const Bytes src = make_block(shape, 2 + gen() % 20000, gen);
        const Coded a = compress_with(*list[0].kernels, src);
        const Coded b = compress_with(*list[1].kernels, src);
        ASSERT_EQ(a.result, b.result) << shape_name(shape);
        ASSERT_EQ(a.block, b.block) << shape_name(shape);
    }
    // Histograms straight into the normalisation, every table log, including
    // the many-small-symbol shapes that take the secondary method.
    for (int i = 0; i < 3000; ++i) {
        const u32 max_symbol = 1 + gen() % 255;
        std::vector<u32> count(max_symbol + 1);
        u64 total = 0;
        const u32 mode = gen() % 4;
        for (auto& c : count) {
            c = mode == 0   ? gen() % 3
                : mode == 1 ? (gen() % 8 == 0 ? gen() % 100000 : gen() % 4)
                : mode == 2 ? gen() % 1000
                            : 20 + gen() % 10;
            total += c;
        }
        if (total < 2) continue;
        const u32 table_log = FSE_minTableLog(total, max_symbol) + gen() % 4;
        if (table_log < 5 || table_log > 12) continue;
        std::vector<i16> na(max_symbol + 1), nb(max_symbol + 1);
        const u64 ra =
            list[0].kernels->normalize(na.data(), table_log, count.data(), total, max_symbol);
        const u64 rb =
            list[1].kernels->normalize(nb.data(), table_log, count.data(), total, max_symbol);
        ASSERT_EQ(ra, rb);
        if (ra != 0) ASSERT_EQ(na, nb);
    }
}

void expect_valid_normalization(const std::vector<u32>& count, u64 total, u32 table_log,
                                const std::vector<i16>& norm) {
    i64 states = 0;
    for (size_t s = 0; s < count.size(); ++s) {
        EXPECT_EQ(norm[s] != 0, count[s] != 0) << s;
        EXPECT_GE(norm[s], -1);
        if (norm[s] == -1) EXPECT_LE(count[s], total >> table_log) << s;
        states += norm[s] == -1 ? 1 : norm[s];
    }
    EXPECT_EQ(states, i64{1} << table_log);
}

TEST(FseNormalization, PropertiesOnRandomHistograms) {
    std::mt19937 gen(31);
    for (int i = 0; i < 2000; ++i) {
        const u32 max_symbol = 1 + gen() % 255;
        std::vector<u32> count(max_symbol + 1);
        u64 total = 0;
        for (auto& c : count) {
            c = gen() % 5 == 0 ? 0 : gen() % (1u << (gen() % 16));
            total += c;
        }
        if (total < 2) continue;
        const u32 table_log = std::max(5u, FSE_minTableLog(total, max_symbol)) + gen() % 3;
        if (table_log > 12) continue;
        std::vector<i16> norm(max_symbol + 1);
        const u64 r = FSE_normalizeCount(norm.data(), table_log, count.data(), total, max_symbol);
        ASSERT_FALSE(FSE_isError(r));
        if (r == 0) continue;  // one symbol holds everything
        ASSERT_EQ(r, table_log);
        expect_valid_normalization(count, total, table_log, norm);
    }
}

TEST(FseNormalization, SecondaryMethodSharesTheRest) {
    // One large count and thirty just above 1.5 states each: the primary rule
    // overshoots, and the secondary one alternates 2 and 1 states.
    std::vector<u32> count(31, 24);
    count[0] = 280;
    std::vector<i16> norm(31);
    ASSERT_EQ(FSE_normalizeCount(norm.data(), 6, count.data(), 1000, 30), 6u);
    EXPECT_EQ(norm[0], 18);
    EXPECT_EQ(norm[1], 2);
    EXPECT_EQ(norm[2], 1);
    expect_valid_normalization(count, 1000, 6, norm);
}

// Mend: when the -1 and 1 symbols use up every state, the secondary method
// used to divide by the nothing that was left to distribute.
TEST(FseNormalization, NothingLeftToDistributeIsNoDivisionByZero) {
    std::vector<u32> ones(32, 1);
    std::vector<i16> norm(32);
    ASSERT_EQ(FSE_normalizeCount(norm.data(), 5, ones.data(), 32, 31), 5u);
    for (i16 n : norm) EXPECT_EQ(n, -1);

    // The same with absent symbols between: no symbol is left pending.
    std::vector<u32> gaps(64, 0);
    for (u32 s = 0; s < 64; s += 2) gaps[s] = 1;
    norm.assign(64, 7);
    ASSERT_EQ(FSE_normalizeCount(norm.data(), 5, gaps.data(), 32, 63), 5u);
    expect_valid_normalization(gaps, 32, 5, norm);
}

TEST(FseNormalization, ArgumentChecks) {
    const u32 count[4] = {10, 20, 30, 40};
    i16 norm[4];
    EXPECT_EQ(FSE_normalizeCount(norm, 0, count, 100, 3), 11u);  // 0 stands for 11
    EXPECT_EQ(as_signed(FSE_normalizeCount(norm, 4, count, 100, 3)), -1);
    EXPECT_EQ(as_signed(FSE_normalizeCount(norm, 13, count, 100, 3)), -1);
    EXPECT_EQ(as_signed(FSE_normalizeCount(norm, 5, count, 99, 3)), -1);  // does not add up
    EXPECT_EQ(as_signed(FSE_normalizeCount(norm, 5, count, 1, 3)), -1);
    EXPECT_EQ(as_signed(FSE_normalizeCount(norm, 5, count, 100, 0)), -1);
    EXPECT_EQ(as_signed(FSE_normalizeCount(norm, 5, count, 100, 256)), -1);
    // Below the minimum: 256 symbols need table log 9 or more.
    std::vector<u32> wide(256, 1000);
    std::vector<i16> wide_norm(256);
    EXPECT_EQ(FSE_minTableLog(256000, 255), 9u);
    EXPECT_EQ(as_signed(FSE_normalizeCount(wide_norm.data(), 8, wide.data(), 256000, 255)), -1);
    EXPECT_EQ(FSE_normalizeCount(wide_norm.data(), 9, wide.data(), 256000, 255), 9u);
    const u32 one[3] = {0, 50, 0};
    i16 one_norm[3] = {9, 9, 9};
    EXPECT_EQ(FSE_normalizeCount(one_norm, 5, one, 50, 2), 0u);
    EXPECT_EQ(one_norm[0], 0);
}

TEST(FseTableLog, OptimalRule) {
    EXPECT_EQ(FSE_optimalTableLog(11, 65536, 255), 11u);
    EXPECT_EQ(FSE_optimalTableLog(11, 100, 5), 5u);
    EXPECT_EQ(FSE_optimalTableLog(11, 1000, 255), 9u);  // raised to highbit(255) + 2
    EXPECT_EQ(FSE_optimalTableLog(11, 4, 3), 11u);      // wrapped limit: none
    EXPECT_EQ(FSE_optimalTableLog(11, 2000, 3), 8u);    // highbit(1999) - 2
    EXPECT_EQ(FSE_optimalTableLog(15, 1 << 20, 255), 12u);
    EXPECT_EQ(FSE_optimalTableLog(0, 65536, 255), 11u);
}

TEST(FseCount, HistogramAndMaximum) {
    u32 count[256];
    u32 max_symbol = 0;
    const u8 abb[3] = {97, 97, 98};
    EXPECT_EQ(FSE_count(count, &max_symbol, abb, 3), 2u);
    EXPECT_EQ(max_symbol, 98u);
    EXPECT_EQ(count[97], 2u);
    EXPECT_EQ(count[98], 1u);
    max_symbol = 97;
    EXPECT_EQ(as_signed(FSE_count(count, &max_symbol, abb, 3)), -1);
    max_symbol = 300;
    EXPECT_EQ(as_signed(FSE_count(count, &max_symbol, abb, 3)), -1);

    std::mt19937 gen(41);
    for (int i = 0; i < 50; ++i) {
        const Bytes src = make_block(kShapes[i % std::size(kShapes)], 1 + gen() % 5000, gen);
        u32 expected[256] = {};
        for (u8 b : src) ++expected[b];
        u32 m = 255;
        const u64 largest = FSE_count(count, &m, src.data(), src.size());
        EXPECT_EQ(largest, *std::max_element(expected, expected + 256));
        EXPECT_EQ(m, *std::max_element(src.begin(), src.end()));
        for (u32 s = 0; s <= m; ++s) EXPECT_EQ(count[s], expected[s]);
    }
}

TEST(FseCount, EmptySource) {
    u32 count[256];
    std::fill(count, count + 256, 77u);
    u32 max_symbol = 10;
    EXPECT_EQ(FSE_countFast(count, &max_symbol, nullptr, 0), 0u);
    EXPECT_EQ(max_symbol, 0u);
    EXPECT_EQ(count[10], 0u);
    EXPECT_EQ(count[11], 77u);
    max_symbol = 0;  // entry 0 alone
    count[1] = 77;
    EXPECT_EQ(FSE_countFast(count, &max_symbol, nullptr, 0), 0u);
    EXPECT_EQ(count[0], 0u);
    EXPECT_EQ(count[1], 77u);
}

// Mend: an empty source with a maximum above 255 zeroed counters past the
// 256-entry table; it is refused now, before anything is written.
TEST(FseCount, MaximumAbove255IsRefusedBeforeWriting) {
    std::vector<u32> table(300, 77);
    u32 max_symbol = 299;
    EXPECT_EQ(as_signed(FSE_countFast(table.data(), &max_symbol, nullptr, 0)), -1);
    EXPECT_EQ(table[0], 77u);
    const u8 a = 1;
    max_symbol = 300;
    EXPECT_EQ(as_signed(FSE_countFast(table.data(), &max_symbol, &a, 1)), -1);
}

// Hardening: bytes above the maximum are refused by the fast count too, so
// the maximum is never lowered past symbol 0 on a source of such bytes.
TEST(FseCount, FastCountRefusesBytesAboveItsMaximum) {
    u32 count[256];
    const Bytes high(100, 200);
    u32 max_symbol = 100;
    EXPECT_EQ(as_signed(FSE_countFast(count, &max_symbol, high.data(), high.size())), -1);
}

TEST(FseTables, BuiltTablesCodeAndDecode) {
    std::mt19937 gen(5);
    const Bytes src = make_block(Shape::kGeometric, 5000, gen);
    u32 count[256];
    u32 max_symbol = 255;
    FSE_count(count, &max_symbol, src.data(), src.size());
    i16 norm[256];
    const u32 table_log = FSE_optimalTableLog(11, src.size(), max_symbol);
    ASSERT_EQ(FSE_normalizeCount(norm, table_log, count, src.size(), max_symbol), table_log);
    std::vector<FSE_CTable> ct(fse_ctable_size_u32(table_log, max_symbol));
    std::vector<FSE_DTable> dt(fse_dtable_size_u32(table_log));
    ASSERT_EQ(FSE_buildCTable(ct.data(), norm, max_symbol, table_log), 0u);
    ASSERT_EQ(FSE_buildDTable(dt.data(), norm, max_symbol, table_log), 0u);
    Bytes stream(src.size() + 64);
    const u64 size =
        FSE_compress_usingCTable(stream.data(), stream.size(), src.data(), src.size(), ct.data());
    ASSERT_GT(size, 0u);
    ASSERT_FALSE(FSE_isError(size));
    stream.resize(size);
    Bytes back(src.size());
    EXPECT_EQ(FSE_decompress_usingDTable(back.data(), back.size(), stream.data(), stream.size(),
                                         dt.data()),
              src.size());
    EXPECT_EQ(back, src);

    // Below 8 bytes of room, or too little room, the stream does not fit.
    EXPECT_EQ(FSE_compress_usingCTable(stream.data(), 7, src.data(), src.size(), ct.data()), 0u);
    EXPECT_EQ(FSE_compress_usingCTable(stream.data(), 100, src.data(), src.size(), ct.data()), 0u);
    // A byte the table has no states for is refused.
    Bytes foreign = src;
    foreign[17] = static_cast<u8>(max_symbol + 1);
    EXPECT_EQ(as_signed(FSE_compress_usingCTable(stream.data(), stream.size(), foreign.data(),
                                                 foreign.size(), ct.data())),
              -1);
    u32 max_present = 255;
    FSE_count(count, &max_present, src.data(), src.size());
    for (u32 s = 0; s <= max_present; ++s) {
        if (count[s] != 0) continue;
        foreign = src;
        foreign[3] = static_cast<u8>(s);
        EXPECT_EQ(as_signed(FSE_compress_usingCTable(stream.data(), stream.size(), foreign.data(),
                                                     foreign.size(), ct.data())),
                  -1);
        break;
    }
    // A decoding table whose next states leave the table is refused.
    std::vector<FSE_DTable> bad = dt;
    fse_detail::dtable_cells(bad.data())[5].new_state = static_cast<u16>(1u << table_log);
    EXPECT_EQ(as_signed(FSE_decompress_usingDTable(back.data(), back.size(), stream.data(),
                                                   stream.size(), bad.data())),
              -1);
}

TEST(FseDecoder, NoCrashOnRandomOrDamagedInput) {
    std::mt19937 gen(51);
    Bytes dst(4096);
    for (int i = 0; i < 3000; ++i) {
        Bytes junk(gen() % 300);
        for (auto& b : junk) b = static_cast<u8>(gen() % 4 == 0 ? 0xFF : gen());
        const u64 cap = gen() % 2 ? dst.size() : gen() % 8;
        Bytes out(cap);
        const u64 r = FSE_decompress(out.data(), cap, junk.data(), junk.size());
        EXPECT_TRUE(FSE_isError(r) || r <= cap);
    }
    for (int i = 0; i < 300; ++i) {
        const Bytes src = make_block(kShapes[i % std::size(kShapes)], 2 + gen() % 3000, gen);
        Bytes block = compress(src).block;
        if (block.empty()) continue;
        for (int k = 0; k < 1 + static_cast<int>(gen() % 4); ++k) {
            block[gen() % block.size()] ^= static_cast<u8>(1u << (gen() % 8));
        }
        const u64 cap = gen() % 3 == 0 ? gen() % 4 : src.size();
        Bytes out(cap);
        const u64 r = FSE_decompress(out.data(), cap, block.data(), block.size());
        EXPECT_TRUE(FSE_isError(r) || r <= cap);
    }
}

TEST(FseBlockCoder, ThreadsShareNothing) {
    std::mt19937 gen(61);
    std::vector<Bytes> blocks;
    std::vector<Bytes> coded;
    for (int i = 0; i < 8; ++i) {
        blocks.push_back(make_block(kShapes[i % std::size(kShapes)], 20000 + gen() % 40000, gen));
        coded.push_back(compress(blocks.back()).block);
    }
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int rep = 0; rep < 5; ++rep) {
                for (size_t i = 0; i < blocks.size(); ++i) {
                    const Bytes& b = blocks[(i + t) % blocks.size()];
                    const Coded c = compress(b);
                    if (c.block != coded[(i + t) % blocks.size()]) ++mismatches[t];
                    if (c.block.empty()) continue;
                    Bytes back;
                    if (decompress(c.block, b.size(), &back) != b.size() || back != b) {
                        ++mismatches[t];
                    }
                }
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int m : mismatches) EXPECT_EQ(m, 0);
}

}  // namespace
