#include "shell/output.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "cards/hand_tables.h"
#include "queries/hand_row.h"

namespace {

// Points descriptor 1 at a temporary file for the life of the object and
// returns everything written to it.
class CapturedStdout {
public:
    CapturedStdout() : file_(std::tmpfile()) {
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        dup2(fileno(file_), STDOUT_FILENO);
    }
    ~CapturedStdout() {
        std::fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
        std::fclose(file_);
    }
    CapturedStdout(const CapturedStdout&) = delete;
    CapturedStdout& operator=(const CapturedStdout&) = delete;

    std::string text() {
        std::fflush(stdout);
        std::string all;
        std::rewind(file_);
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) all.append(buffer, n);
        return all;
    }

private:
    std::FILE* file_;
    int saved_ = -1;
};

std::string flushed(const std::string& deferred) {
    CapturedStdout capture;
    g_output_buffer = deferred;
    flush_deferred_output();
    EXPECT_TRUE(g_output_buffer.empty());
    return capture.text();
}

TEST(Output, FlushDropsEmptyLinesAndEndsEveryLine) {
    EXPECT_EQ(flushed("a\n\nb"), "a\nb\n");
    EXPECT_EQ(flushed("\n\nx"), "x\n");
    EXPECT_EQ(flushed("x"), "x\n");
    EXPECT_EQ(flushed("one\ntwo\n"), "one\ntwo\n");
    EXPECT_EQ(flushed(""), "");
    EXPECT_EQ(flushed("100% %s\n"), "100% %s\n");
}

TEST(Output, InformationalFormatsPrintNothing) {
    g_output_buffer.clear();
    out_printf("#auto compression level %d\n", 3);
    EXPECT_TRUE(g_output_buffer.empty());
    CapturedStdout capture;
    locked_printf("#%d iterations\n", 25);
    locked_printf_flush("#storage\n");
    EXPECT_EQ(capture.text(), "");
}

TEST(Output, OutPrintfAppendsLongTextWhole) {
    g_output_buffer.clear();
    std::string row(100000, 'v');
    out_printf("%s|%d\n", row.c_str(), 7);
    EXPECT_EQ(g_output_buffer, row + "|7\n");
    g_output_buffer.clear();
}

TEST(Output, OutTextIsNeverAFormat) {
    g_output_buffer.clear();
    out_text("%s %n %d");
    EXPECT_EQ(g_output_buffer, "%s %n %d");
    g_output_buffer.clear();
}

TEST(Output, LockedPrintfWritesAtOnce) {
    CapturedStdout capture;
    locked_printf("SOLVER: %s\n", "started");
    EXPECT_EQ(capture.text(), "SOLVER: started\n");
}

TEST(Output, PendingOutputIsWrittenForAFatalExit) {
    CapturedStdout capture;
    g_output_buffer = "partial";
    flush_pending_output_locked();
    EXPECT_TRUE(g_output_buffer.empty());
    EXPECT_EQ(capture.text(), "partial\n");
}

// A NaN with its sign bit set prints as "nan" wherever the system prints
// one, never as "-nan"; the per-hand rows print their own NaN text, "0" in
// range and weight rows, which callers read as numbers.
TEST(Output, NanPrintsWithoutSign) {
    const f64 negative_nan = -std::numeric_limits<f64>::quiet_NaN();
    ASSERT_TRUE(std::signbit(negative_nan));
    g_output_buffer.clear();
    out_printf("%.3f %g", printable_number(negative_nan), printable_number(-2.5));
    EXPECT_EQ(g_output_buffer, "nan -2.5");
    g_output_buffer.clear();

    init_hand_tables();
    std::vector<f64> row(kHandCount, 0.25);
    row[static_cast<std::size_t>(g_protocol_to_combo[0])] = negative_nan;
    row[static_cast<std::size_t>(g_protocol_to_combo[1])] = std::numeric_limits<f64>::infinity();
    print_hand_row(row.data(), kValueFormat);
    EXPECT_EQ(g_output_buffer.substr(0, 14), "nan inf 0.25 0");
    g_output_buffer.clear();
    print_hand_row(row.data(), kValueFormat, kNanAsZero);
    EXPECT_EQ(g_output_buffer.substr(0, 12), "0 inf 0.25 0");
    EXPECT_EQ(g_output_buffer.size(), 1 + 4 + 1324 * 5 + 1u);  // "0", " inf", " 0.25"s, newline
    g_output_buffer.clear();
}

}  // namespace
