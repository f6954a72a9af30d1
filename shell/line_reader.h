// Command lines from a file descriptor (standard input, a script file), read
// through a buffer of the reader's own. A line is kept up to kMaxLineLength
// characters; the rest of a longer line is read and thrown away, so no input
// can make the program hold more than that of one line, and the caller
// answers it with an error. Used by the standard-input loop and `load_script`.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Far above the longest line of the protocol (a `set_strategy` or `set_range`
// line of 1326 numbers written with twenty digits each is under 40,000
// characters).
constexpr std::size_t kMaxLineLength = 1 << 20;

enum class LineRead {
    line,           // a line, without its newline
    too_long,       // a line longer than kMaxLineLength, dropped
    out_of_memory,  // a line that memory could not hold, dropped
    end,            // end of input (or a read error)
};

class LineReader {
public:
    explicit LineReader(int fd);

    // The next line. `terminated` tells whether it ended with a newline (a
    // last line of the input may not).
    LineRead next(std::string& line, bool& terminated);

    // For a FIFO opened without waiting: takes what the FIFO already holds
    // and tells whether a writer holds it open; without one, every read would
    // see the end at once, or, once made blocking, the open would have waited.
    bool fifo_has_writer();

private:
    bool fill();
    LineRead skip_rest_of_line(LineRead reason, bool& terminated);

    int fd_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool at_end_ = false;
};
