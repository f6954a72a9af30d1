// FSE blocks against an independent implementation of the format: Debian's
// libzstd, linked into the tests only. Its block decoder reads our blocks,
// and its normalisation, header and coding table agree with ours.
//
// zstd's encoder ends its streams the later way: both states are seeded with
// the last two bytes of the block, which cost no bits. Its decoder therefore
// takes two more symbols from the states once the bits are used up; on our
// blocks, whose states finish at the table size, those two are extra bytes
// after the block's own. Our decoder, which checks that both states finish,
// does not read zstd's blocks, so that direction is checked step by step.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "codecs/fse/fse.h"
#include "codecs/fse/fse_internal.h"
#include "tests/unit/fse_test_support.h"

#ifdef VOSTREL_ZSTD_ORACLE
#include "tests/unit/oracle/zstd_oracle.h"
#endif

namespace {

using namespace fse_test;

#ifdef VOSTREL_ZSTD_ORACLE

struct Histogram {
    std::vector<u32> count;
    u64 total = 0;
    u32 max_symbol = 0;
};

Histogram random_histogram(std::mt19937& gen) {
    Histogram h;
    h.max_symbol = 1 + gen() % 255;
    h.count.resize(h.max_symbol + 1);
    const u32 mode = gen() % 4;
    for (auto& c : h.count) {
        c = mode == 0   ? gen() % 3
            : mode == 1 ? (gen() % 8 == 0 ? gen() % 100000 : gen() % 4)
            : mode == 2 ? gen() % 1000
                        : 20 + gen() % 10;
        h.total += c;
    }
    while (h.max_symbol > 0 && h.count[h.max_symbol] == 0) --h.max_symbol;
    h.count.resize(h.max_symbol + 1);
    return h;
}

TEST(FseOracle, ZstdDecodesOurBlocks) {
    std::mt19937 gen(71);
    int decoded = 0;
    for (Shape shape : kShapes) {
        for (int i = 0; i < 8; ++i) {
            const u64 n = i == 0 ? 65536 : 2 + gen() % 30000;
            const Bytes src = make_block(shape, n, gen);
            Bytes block(FSE_compressBound(n));
            const u64 c = FSE_compress(block.data(), block.size(), src.data(), n);
            ASSERT_FALSE(FSE_isError(c));
            if (c < 2) continue;
            Bytes out(n + 2);
            ASSERT_EQ(zstd_oracle::fse_decompress(out.data(), out.size(), block.data(), c),
                      static_cast<long long>(n + 2))
                << shape_name(shape);
            EXPECT_TRUE(std::equal(src.begin(), src.end(), out.begin())) << shape_name(shape);
            ++decoded;
        }
    }
    EXPECT_GT(decoded, 30);
}

TEST(FseOracle, NormalizationAgrees) {
    std::mt19937 gen(73);
    int compared = 0;
    for (int i = 0; i < 4000; ++i) {
        const Histogram h = random_histogram(gen);
        if (h.total < 2 || h.max_symbol < 1) continue;
        const u32 table_log = FSE_optimalTableLog(11, h.total, h.max_symbol);
        std::vector<i16> ours(h.max_symbol + 1);
        std::vector<short> theirs(h.max_symbol + 1);
        const u64 r =
            FSE_normalizeCount(ours.data(), table_log, h.count.data(), h.total, h.max_symbol);
        const long long z = zstd_oracle::fse_normalize(theirs.data(), table_log, h.count.data(),
                                                       h.total, h.max_symbol);
        ASSERT_FALSE(FSE_isError(r));
        if (z < 0 || r == 0) continue;  // zstd refuses a table filled by -1 counts
        ASSERT_EQ(static_cast<long long>(r), z);
        for (u32 s = 0; s <= h.max_symbol; ++s) ASSERT_EQ(ours[s], theirs[s]) << s;
        ++compared;
    }
    EXPECT_GT(compared, 3000);
}

TEST(FseOracle, HeadersAgreeBothWays) {
    std::mt19937 gen(79);
    for (int i = 0; i < 2000; ++i) {
        const Histogram h = random_histogram(gen);
        if (h.total < 2 || h.max_symbol < 1) continue;
        const u32 table_log = std::max(FSE_optimalTableLog(11, h.total, h.max_symbol),
                                       5u + static_cast<u32>(gen() % 8));
        std::vector<i16> norm(h.max_symbol + 1);
        if (FSE_normalizeCount(norm.data(), table_log, h.count.data(), h.total, h.max_symbol) !=
            table_log) {
            continue;
        }
        Bytes ours(600), theirs(600);
        const u64 size =
            FSE_writeNCount(ours.data(), ours.size(), norm.data(), h.max_symbol, table_log);
        const long long zsize = zstd_oracle::fse_write_ncount(theirs.data(), theirs.size(),
                                                              norm.data(), h.max_symbol, table_log);
        ASSERT_EQ(static_cast<long long>(size), zsize);
        ASSERT_EQ(0, std::memcmp(ours.data(), theirs.data(), size));

        std::vector<short> read(256);
        unsigned max_symbol = 255, read_log = 0;
        ASSERT_EQ(
            zstd_oracle::fse_read_ncount(read.data(), &max_symbol, &read_log, ours.data(), size),
            static_cast<long long>(size));
        ASSERT_EQ(read_log, table_log);
        ASSERT_EQ(max_symbol, h.max_symbol);
        for (u32 s = 0; s <= h.max_symbol; ++s) ASSERT_EQ(read[s], norm[s]);
    }
}

// Bits that a coding-table entry spends from state value v.
u32 bits_out(u32 delta_nb_bits, u32 v) {
    return (v + delta_nb_bits) >> 16;
}

TEST(FseOracle, CodingTablesAgree) {
    std::mt19937 gen(83);
    for (int i = 0; i < 500; ++i) {
        const Histogram h = random_histogram(gen);
        if (h.total < 2 || h.max_symbol < 1) continue;
        const u32 table_log = FSE_optimalTableLog(11, h.total, h.max_symbol);
        std::vector<i16> norm(h.max_symbol + 1);
        if (FSE_normalizeCount(norm.data(), table_log, h.count.data(), h.total, h.max_symbol) !=
            table_log) {
            continue;
        }
        std::vector<FSE_CTable> ours(fse_ctable_size_u32(table_log, h.max_symbol));
        ASSERT_EQ(FSE_buildCTable(ours.data(), norm.data(), h.max_symbol, table_log), 0u);
        const std::vector<u32> theirs =
            zstd_oracle::fse_build_ctable(norm.data(), h.max_symbol, table_log);
        ASSERT_EQ(theirs.size(), ours.size());
        // Header and next-state table word for word.
        const u64 state_words = 1 + (u64{1} << (table_log - 1));
        ASSERT_EQ(0, std::memcmp(ours.data(), theirs.data(), state_words * 4));
        // Per present symbol: the same state offset and the same bits spent
        // from every state (the encodings of deltaNbBits differ for symbols of
        // one state).
        const auto* t_ours = fse_detail::ctable_transforms(ours.data(), table_log);
        const auto* t_theirs =
            reinterpret_cast<const fse_detail::SymbolTransform*>(theirs.data() + state_words);
        for (u32 s = 0; s <= h.max_symbol; ++s) {
            if (norm[s] == 0) continue;
            ASSERT_EQ(t_ours[s].delta_find_state, t_theirs[s].delta_find_state) << s;
            for (u32 v = 1u << table_log; v < 2u << table_log; ++v) {
                ASSERT_EQ(bits_out(t_ours[s].delta_nb_bits, v),
                          bits_out(t_theirs[s].delta_nb_bits, v));
            }
        }
    }
}

#else

TEST(FseOracle, ZstdDecodesOurBlocks) {
    GTEST_SKIP() << "libzstd.a was not found at configure time";
}

#endif

}  // namespace
