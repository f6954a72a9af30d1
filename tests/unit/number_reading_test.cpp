#include "shell/number_reading.h"

#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <cfloat>

namespace {

TEST(ReadI32, ReadsTheLeadingNumberAndIgnoresTheRest) {
    EXPECT_EQ(read_i32("12x"), 12);
    EXPECT_EQ(read_i32("3.5"), 3);
    EXPECT_EQ(read_i32(" \t-7"), -7);
    EXPECT_EQ(read_i32("+4"), 4);
    EXPECT_EQ(read_i32("0x10"), 0);
    EXPECT_EQ(read_i32("1e9"), 1);
}

TEST(ReadI32, AcceptsExactlyTheSigned32BitRange) {
    EXPECT_EQ(read_i32("2147483647"), 2147483647);
    EXPECT_EQ(read_i32("-2147483648"), -2147483647 - 1);
    EXPECT_THROW(read_i32("2147483648"), InvalidNumber);
    EXPECT_THROW(read_i32("-2147483649"), InvalidNumber);
    EXPECT_THROW(read_i32("99999999999999999999999"), InvalidNumber);
}

TEST(ReadI32, RefusesATokenThatDoesNotBeginWithANumber) {
    for (const char* token : {"abc", "", "-", "+", " ", "x12", ".5"}) {
        EXPECT_THROW(read_i32(token), InvalidNumber) << token;
    }
}

TEST(ReadF64, ReadsTheLeadingNumberAndIgnoresTheRest) {
    EXPECT_DOUBLE_EQ(read_f64("0.5x"), 0.5);
    EXPECT_DOUBLE_EQ(read_f64(" -1.25e2abc"), -125.0);
    EXPECT_DOUBLE_EQ(read_f64(".5"), 0.5);
    EXPECT_DOUBLE_EQ(read_f64("0x1p-2"), 0.25);
    EXPECT_EQ(read_f64("0e-999"), 0.0);
    EXPECT_EQ(read_f64("1.7976931348623157e308"), DBL_MAX);
    EXPECT_EQ(read_f64("2.2250738585072014e-308"), DBL_MIN);
}

TEST(ReadF64, RefusesEveryValueThatIsNotFiniteAndNormal) {
    for (const char* token :
         {"nan", "NaN", "-nan(1)", "inf", "-Infinity", "1e999", "-1e999", "1e-999", "-1e-999",
          "1e-310", "4.9e-324", "0x1p-1074", "abc", "", "e5", "-"}) {
        EXPECT_THROW(read_f64(token), InvalidNumber) << token;
    }
}

// The command thread runs with flush-to-zero and denormals-are-zero; a
// subnormal must still be caught there.
TEST(ReadF64, RefusesSubnormalsUnderDenormalsAreZero) {
    unsigned saved = _mm_getcsr();
    _mm_setcsr(saved | 0x8040);
    EXPECT_THROW(read_f64("1e-310"), InvalidNumber);
    EXPECT_DOUBLE_EQ(read_f64("1e-300"), 1e-300);
    _mm_setcsr(saved);
}

}  // namespace
