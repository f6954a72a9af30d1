// The line reader: lines split at newlines whatever the read sizes, a last
// line without its newline, and lines over the limit skipped whole, also
// when they span many reads.
#include "shell/line_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Read = std::pair<LineRead, std::string>;

// Everything the reader gives for `input`, written into a pipe from another
// thread (a pipe holds less than the long inputs).
std::vector<Read> read_all(const std::string& input, std::vector<bool>* terminated = nullptr) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    std::thread writer([&] {
        std::size_t at = 0;
        while (at < input.size()) {
            const ssize_t n = write(fds[1], input.data() + at, input.size() - at);
            if (n <= 0) break;
            at += static_cast<std::size_t>(n);
        }
        close(fds[1]);
    });
    LineReader reader(fds[0]);
    std::vector<Read> reads;
    std::string line;
    bool ended = false;
    for (LineRead read; (read = reader.next(line, ended)) != LineRead::end;) {
        reads.emplace_back(read, line);
        if (terminated) terminated->push_back(ended);
    }
    writer.join();
    close(fds[0]);
    return reads;
}

TEST(LineReader, SplitsLinesAndKeepsAnUnterminatedLast) {
    std::vector<bool> terminated;
    const std::vector<Read> reads = read_all("a b\n\nc\r\nlast", &terminated);
    ASSERT_EQ(reads.size(), 4u);
    EXPECT_EQ(reads[0], Read(LineRead::line, "a b"));
    EXPECT_EQ(reads[1], Read(LineRead::line, ""));
    EXPECT_EQ(reads[2], Read(LineRead::line, "c\r"));
    EXPECT_EQ(reads[3], Read(LineRead::line, "last"));
    EXPECT_EQ(terminated, (std::vector<bool>{true, true, true, false}));
    EXPECT_TRUE(read_all("").empty());
}

TEST(LineReader, LinesOverTheLimitAreSkippedWhole) {
    const std::string at_limit(kMaxLineLength, 'x');
    const std::string over(3 * kMaxLineLength + 7, 'y');
    const std::vector<Read> reads = read_all(at_limit + "\n" + over + "\nnext\n" + over);
    ASSERT_EQ(reads.size(), 4u);
    EXPECT_EQ(reads[0].first, LineRead::line);
    EXPECT_EQ(reads[0].second.size(), kMaxLineLength);
    EXPECT_EQ(reads[1].first, LineRead::too_long);
    EXPECT_EQ(reads[2], Read(LineRead::line, "next"));
    EXPECT_EQ(reads[3].first, LineRead::too_long);
}

}  // namespace
