// The further FSE entry points: FSE_compress2 with chosen limits, raw coding
// and decoding tables, and the source-size and table-size mends.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "codecs/fse/fse.h"
#include "codecs/fse/fse_internal.h"
#include "tests/unit/fse_test_support.h"

namespace {

using namespace fse_test;

u64 compress2(const Bytes& src, u32 max_symbol, u32 table_log, Bytes* block = nullptr) {
    Bytes out(FSE_compressBound(src.size()));
    const u64 r =
        FSE_compress2(out.data(), out.size(), src.data(), src.size(), max_symbol, table_log);
    if (block) {
        out.resize(!FSE_isError(r) && r > 1 ? r : 0);
        *block = out;
    }
    return r;
}

u32 header_table_log(const Bytes& block) {
    i16 norm[256];
    u32 max_symbol = 255, table_log = 0;
    EXPECT_FALSE(
        FSE_isError(FSE_readNCount(norm, &max_symbol, &table_log, block.data(), block.size())));
    return table_log;
}

TEST(FseCompress2, EarlyResults) {
    u8 one = 3;
    u8 dst[600];
    EXPECT_EQ(FSE_compress2(dst, sizeof dst, &one, 1, 0, 0), 0u);
    EXPECT_EQ(compress2(Bytes(1000, 9), 0, 0), 1u);
    Bytes distinct(200);
    for (u32 i = 0; i < 200; ++i) distinct[i] = static_cast<u8>(i);
    EXPECT_EQ(compress2(distinct, 0, 0), 0u);
    EXPECT_EQ(compress2(Bytes{5, 6, 5, 6}, 0, 0), 0u);  // not below srcSize - 1
}

TEST(FseCompress2, MatchesFseCompressAtItsDefaults) {
    std::mt19937 gen(91);
    for (Shape shape : kShapes) {
        const Bytes src = make_block(shape, 1 + gen() % 30000, gen);
        Bytes a(FSE_compressBound(src.size())), b(FSE_compressBound(src.size()));
        const u64 ra = FSE_compress(a.data(), a.size(), src.data(), src.size());
        const u64 rb = FSE_compress2(b.data(), b.size(), src.data(), src.size(), 0, 0);
        ASSERT_EQ(ra, rb);
        if (ra > 1) EXPECT_TRUE(std::equal(a.begin(), a.begin() + ra, b.begin()));
    }
}

TEST(FseCompress2, ChosenTableLogAndMaximumSymbol) {
    std::mt19937 gen(93);
    const Bytes src = make_block(Shape::kGeometric, 60000, gen);
    const u32 largest = *std::max_element(src.begin(), src.end());
    const u32 minimum = FSE_minTableLog(src.size(), largest);
    Bytes block;
    for (u32 log = minimum; log <= 12; ++log) {
        ASSERT_GT(compress2(src, 255, log, &block), 1u);
        EXPECT_EQ(header_table_log(block), log);
        Bytes back(src.size());
        EXPECT_EQ(FSE_decompress(back.data(), back.size(), block.data(), block.size()), src.size());
        EXPECT_EQ(back, src);
    }
    // Held within 5 to 12, and raised to what the symbols need.
    ASSERT_GT(compress2(src, 255, 15, &block), 1u);
    EXPECT_EQ(header_table_log(block), 12u);
    ASSERT_GT(compress2(src, 255, 1, &block), 1u);
    EXPECT_EQ(header_table_log(block), std::max(minimum, 5u));
    // A maximum below the largest byte is refused; 255 and above count all.
    EXPECT_EQ(as_signed(compress2(src, largest - 1, 11)), -1);
    EXPECT_GT(compress2(src, largest, 11), 1u);
    EXPECT_EQ(compress2(src, 1000, 11), compress2(src, 255, 11));
}

// Mend: sizes are 64-bit but counts 32-bit; larger sources are refused
// before any byte is read, never cut to their low 32 bits.
TEST(FseCompress2, SourcesBeyond32BitsAreRefused) {
    u8 src[4] = {1, 2, 3, 4};
    u8 dst[600];
    u32 count[256];
    u32 max_symbol = 255;
    const u64 huge = u64{1} << 32;
    EXPECT_EQ(as_signed(FSE_compress(dst, sizeof dst, src, huge)), -6);
    EXPECT_EQ(as_signed(FSE_compress2(dst, sizeof dst, src, huge + 5, 0, 0)), -6);
    EXPECT_EQ(as_signed(FSE_count(count, &max_symbol, src, huge)), -6);
}

TEST(FseRawTables, Contents) {
    std::vector<FSE_CTable> ct(fse_ctable_size_u32(1, 1));
    ASSERT_EQ(FSE_buildCTable_raw(ct.data(), 1), 0u);
    const auto* u16s = reinterpret_cast<const u16*>(ct.data());
    EXPECT_EQ(u16s[0], 1);  // table log
    EXPECT_EQ(u16s[1], 1);  // maximum symbol value
    EXPECT_EQ(u16s[2], 2);
    EXPECT_EQ(u16s[3], 3);
    const auto* tt = fse_detail::ctable_transforms(ct.data(), 1);
    EXPECT_EQ(tt[0].delta_find_state, -1);
    EXPECT_EQ(tt[1].delta_find_state, 0);
    EXPECT_EQ(tt[1].delta_nb_bits, 65536u);

    std::vector<FSE_DTable> dt(fse_dtable_size_u32(1));
    ASSERT_EQ(FSE_buildDTable_raw(dt.data(), 1), 0u);
    const auto* header = fse_detail::dtable_header(dt.data());
    EXPECT_EQ(header->table_log, 1);
    EXPECT_EQ(header->fast_mode, 1);
    const auto* cells = fse_detail::dtable_cells(dt.data());
    for (u32 s = 0; s < 2; ++s) {
        EXPECT_EQ(cells[s].new_state, 0);
        EXPECT_EQ(cells[s].symbol, s);
        EXPECT_EQ(cells[s].nb_bits, 1);
    }
    // Above 8 bits the symbols decode as their low byte.
    std::vector<FSE_DTable> wide(fse_dtable_size_u32(12));
    ASSERT_EQ(FSE_buildDTable_raw(wide.data(), 12), 0u);
    EXPECT_EQ(fse_detail::dtable_cells(wide.data())[0x1A7].symbol, 0xA7);
}

// Mend: raw tables above 12 bits would overrun any table the library sizes
// (and wrap the 16-bit states from 16 bits on): they are refused, as 0 is.
TEST(FseRawTables, BitCountsOutsideOneToTwelveAreRefused) {
    std::vector<FSE_CTable> ct(fse_ctable_size_u32(12, 4095));
    std::vector<FSE_DTable> dt(fse_dtable_size_u32(12));
    for (u32 bits : {0u, 13u, 16u, 32u, 40u}) {
        EXPECT_EQ(as_signed(FSE_buildCTable_raw(ct.data(), bits)), -1) << bits;
        EXPECT_EQ(as_signed(FSE_buildDTable_raw(dt.data(), bits)), -1) << bits;
    }
    EXPECT_EQ(FSE_buildCTable_raw(ct.data(), 12), 0u);
    EXPECT_EQ(FSE_buildDTable_raw(dt.data(), 12), 0u);
}

TEST(FseRawTables, RawStreamsRoundTrip) {
    std::mt19937 gen(97);
    for (u32 bits : {1u, 3u, 8u, 12u}) {
        std::vector<FSE_CTable> ct(fse_ctable_size_u32(bits, (1u << bits) - 1));
        std::vector<FSE_DTable> dt(fse_dtable_size_u32(bits));
        ASSERT_EQ(FSE_buildCTable_raw(ct.data(), bits), 0u);
        ASSERT_EQ(FSE_buildDTable_raw(dt.data(), bits), 0u);
        const u32 symbols = bits >= 8 ? 256 : 1u << bits;
        for (u64 n : {0u, 1u, 2u, 3u, 5u, 100u, 4097u}) {
            Bytes src(n);
            for (auto& b : src) b = static_cast<u8>(gen() % symbols);
            Bytes stream(n * 2 + 64);
            const u64 size =
                FSE_compress_usingCTable(stream.data(), stream.size(), src.data(), n, ct.data());
            ASSERT_FALSE(FSE_isError(size));
            ASSERT_GT(size, 0u);
            // Every symbol costs exactly nbBits; then two states and the mark.
            EXPECT_EQ(size, (n * bits + 2 * bits + 1 + 7) / 8) << bits << " " << n;
            Bytes back(n);
            EXPECT_EQ(FSE_decompress_usingDTable(back.data(), n, stream.data(), size, dt.data()),
                      n);
            EXPECT_EQ(back, src);
        }
        // A byte beyond a narrow raw table is refused.
        if (bits < 8) {
            const Bytes wide{static_cast<u8>(1u << bits)};
            Bytes stream(64);
            EXPECT_EQ(as_signed(FSE_compress_usingCTable(stream.data(), stream.size(), wide.data(),
                                                         1, ct.data())),
                      -1);
        }
    }
}

}  // namespace
