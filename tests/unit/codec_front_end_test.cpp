// The array front end: delta rows, zigzag codes, the choice of row, the
// restoring rule, the length limits, and both processor variants.
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <vector>

#include "codec_test_support.h"
#include "codecs/codec.h"
#include "codecs/codec_kernels.h"
#include "platform/cpu_features.h"

namespace {

using codec_test::random_row;
using codec_test::to_u16;

// Remembers what the front end hands to a codec.
class RecordingWriter : public CodecWriter {
public:
    void encode(const u32* codes, i32 n, u32 flag) override {
        last_codes.assign(codes, codes + n);
        last_flag = flag;
    }
    std::vector<u32> last_codes;
    u32 last_flag = 99;
};

// Zigzag written out as the signed mapping 0, -1, 1, -2, 2 -> 0, 1, 2, 3, 4.
u32 expected_zigzag(i64 d) {
    const i64 wrapped = static_cast<i32>(static_cast<u32>(d));
    return static_cast<u32>(wrapped >= 0 ? 2 * wrapped : -2 * wrapped - 1);
}

struct Rows {
    std::vector<u32> a, b;
    u32 flag;
};

Rows expected_rows(const std::vector<u32>& v, const std::vector<u32>* ref) {
    Rows rows;
    const std::size_t n = v.size();
    rows.a.resize(n);
    rows.b.resize(n);
    i64 first = ref ? i64{v[0]} - (*ref)[0] : v[0];
    rows.a[0] = rows.b[0] = expected_zigzag(first);
    int nonzero_a = 0, nonzero_b = 0;
    for (std::size_t i = 1; i < n; ++i) {
        const i64 d = i64{v[i]} - v[i - 1];
        rows.a[i] = expected_zigzag(d);
        if (ref) rows.b[i] = expected_zigzag(d - (i64{(*ref)[i]} - (*ref)[i - 1]));
        nonzero_a += rows.a[i] != 0;
        nonzero_b += rows.b[i] != 0;
    }
    rows.flag = ref && nonzero_b < nonzero_a ? 1 : 0;
    return rows;
}

TEST(CodecFrontEnd, ZigzagMapsSmallDifferencesToSmallCodes) {
    const i32 d[] = {0, -1, 1, -2, 2, 2147483647, -2147483647 - 1};
    const u32 z[] = {0, 1, 2, 3, 4, 0xFFFFFFFE, 0xFFFFFFFF};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(zigzag(static_cast<u32>(d[i])), z[i]);
        EXPECT_EQ(unzigzag(z[i]), static_cast<u32>(d[i]));
    }
}

TEST(CodecFrontEnd, RowChoice) {
    RecordingWriter w;
    // Without a reference the flag is 0 and the row starts with zigzag(v[0]).
    const u32 v[] = {5, 7, 7, 3};
    codec_write_u32_array(&w, v, nullptr, 4);
    EXPECT_EQ(w.last_flag, 0u);
    EXPECT_EQ(w.last_codes, (std::vector<u32>{10, 4, 0, 7}));

    // A row equal to its non-constant reference: B is all zeros and wins.
    codec_write_u32_array(&w, v, v, 4);
    EXPECT_EQ(w.last_flag, 1u);
    EXPECT_EQ(w.last_codes, (std::vector<u32>{0, 0, 0, 0}));

    // A constant row equal to its reference: both rows are zeros, A is sent.
    const u32 flat[] = {9, 9, 9};
    codec_write_u32_array(&w, flat, flat, 3);
    EXPECT_EQ(w.last_flag, 0u);

    // Equal non-zero counts choose A: A = {0, 2, 2}, B = {0, 2, 1}.
    const u32 tie_v[] = {0, 1, 2};
    const u32 tie_ref[] = {0, 0, 2};
    codec_write_u32_array(&w, tie_v, tie_ref, 3);
    EXPECT_EQ(w.last_flag, 0u);
    EXPECT_EQ(w.last_codes, (std::vector<u32>{0, 2, 2}));

    // n = 1 with a reference: the single entry against ref[0], flag 0.
    const u32 one[] = {3};
    const u32 one_ref[] = {8};
    codec_write_u32_array(&w, one, one_ref, 1);
    EXPECT_EQ(w.last_flag, 0u);
    EXPECT_EQ(w.last_codes, (std::vector<u32>{9}));
}

TEST(CodecFrontEnd, SixteenBitValuesAreWidenedBeforeTheirDifferences) {
    RecordingWriter w;
    const u16 up[] = {0, 65535};
    codec_write_u16_array(&w, up, nullptr, 2);
    EXPECT_EQ(w.last_codes, (std::vector<u32>{0, 131070}));
    const u16 down[] = {65535, 0};
    codec_write_u16_array(&w, down, nullptr, 2);
    EXPECT_EQ(w.last_codes, (std::vector<u32>{131070, 131069}));
}

TEST(CodecFrontEnd, EmptyArraysWriteAndReadNothing) {
    RecordingWriter w;
    const u32 v[] = {1};
    codec_write_u32_array(&w, v, nullptr, 0);
    codec_write_u16_array(&w, nullptr, nullptr, -3);
    EXPECT_EQ(w.last_flag, 99u);
}

TEST(CodecFrontEndDeathTest, ArraysAboveTheHandCountEndTheProcessWithFail) {
    RecordingWriter w;
    std::vector<u32> v(1327, 1);
    codec_write_u32_array(&w, v.data(), nullptr, 1326);
    EXPECT_EQ(w.last_codes.size(), 1326u);
    // The line goes to standard output; the child sends it where the test sees it.
    EXPECT_EXIT(
        {
            dup2(STDERR_FILENO, STDOUT_FILENO);
            codec_write_u32_array(&w, v.data(), nullptr, 1327);
        },
        testing::ExitedWithCode(1), "^fail\n$");
    std::vector<u16> v16(1327, 1);
    EXPECT_EXIT(codec_write_u16_array(&w, v16.data(), nullptr, 1327), testing::ExitedWithCode(1),
                "");
}

std::vector<const CodecKernels*> kernel_variants() {
    std::vector<const CodecKernels*> list{&codec_kernels_generic()};
    if (cpu_features().avx2_set) list.push_back(&codec_kernels_avx2());
    return list;
}

TEST(CodecFrontEnd, BothVariantsBuildTheRowsOfTheDefinition) {
    std::mt19937 gen(11);
    for (const CodecKernels* k : kernel_variants()) {
        for (i32 n = 1; n <= 80; ++n) {
            for (int with_ref = 0; with_ref < 2; ++with_ref) {
                std::vector<u32> v = random_row(gen, n);
                std::vector<u32> ref = codec_test::nearby_reference(gen, v);
                const Rows want = expected_rows(v, with_ref ? &ref : nullptr);
                std::vector<u32> a(n), b(n);
                const u32 flag = k->build_rows_u32(v.data(), with_ref ? ref.data() : nullptr, n,
                                                   a.data(), b.data());
                ASSERT_EQ(flag, want.flag) << n;
                ASSERT_EQ(a, want.a) << n;
                if (with_ref) ASSERT_EQ(b, want.b) << n;

                const std::vector<u16> v16 = to_u16(v), ref16 = to_u16(ref);
                const std::vector<u32> wv(v16.begin(), v16.end()), wr(ref16.begin(), ref16.end());
                const Rows want16 = expected_rows(wv, with_ref ? &wr : nullptr);
                const u32 flag16 = k->build_rows_u16(v16.data(), with_ref ? ref16.data() : nullptr,
                                                     n, a.data(), b.data());
                ASSERT_EQ(flag16, want16.flag) << n;
                ASSERT_EQ(a, want16.a) << n;
                if (with_ref) ASSERT_EQ(b, want16.b) << n;
            }
        }
    }
}

TEST(CodecFrontEnd, BothVariantsRestoreAsTheRuleSays) {
    std::mt19937 gen(12);
    for (const CodecKernels* k : kernel_variants()) {
        for (i32 n = 1; n <= 80; n += (n < 20 ? 1 : 7)) {
            for (u32 mode = 0; mode < 3; ++mode) {  // no ref, ref flag 0, ref flag 1
                std::vector<u32> codes = random_row(gen, n);
                std::vector<u32> ref = random_row(gen, n);
                const u32* r = mode == 0 ? nullptr : ref.data();
                const u32 flag = mode == 2 ? 1 : 0;
                std::vector<u32> want(n);
                for (i32 i = 0; i < n; ++i) {
                    const u32 d = unzigzag(codes[i]);
                    if (i == 0) {
                        want[0] = (r ? r[0] : 0) + d;
                    } else {
                        want[i] = want[i - 1] + d + (r && flag ? r[i] - r[i - 1] : 0);
                    }
                }
                std::vector<u32> out(n);
                k->restore_u32(codes.data(), r, flag, n, out.data());
                ASSERT_EQ(out, want) << n << " " << mode;
                const std::vector<u16> ref16 = to_u16(ref);
                std::vector<u16> out16(n);
                k->restore_u16(codes.data(), mode == 0 ? nullptr : ref16.data(), flag, n,
                               out16.data());
                std::vector<u16> want16(n);
                for (i32 i = 0; i < n; ++i) {
                    const u32 d = unzigzag(codes[i]);
                    if (i == 0) {
                        want16[0] = static_cast<u16>((mode ? ref16[0] : 0) + d);
                    } else {
                        want16[i] = static_cast<u16>(want16[i - 1] + d +
                                                     (mode == 2 ? ref16[i] - ref16[i - 1] : 0));
                    }
                }
                ASSERT_EQ(out16, want16) << n << " " << mode;
            }
        }
    }
}

}  // namespace
