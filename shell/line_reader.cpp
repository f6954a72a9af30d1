#include "shell/line_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

namespace {

constexpr std::size_t kBufferSize = 1 << 16;

}  // namespace

LineReader::LineReader(int fd) : fd_(fd), buffer_(kBufferSize) {}

bool LineReader::fill() {
    if (at_end_) return false;
    begin_ = 0;
    end_ = 0;
    for (;;) {
        const ssize_t n = read(fd_, buffer_.data(), buffer_.size());
        if (n > 0) {
            end_ = static_cast<std::size_t>(n);
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        at_end_ = true;
        return false;
    }
}

bool LineReader::fifo_has_writer() {
    for (;;) {
        const ssize_t n = read(fd_, buffer_.data(), buffer_.size());
        if (n > 0) {
            begin_ = 0;
            end_ = static_cast<std::size_t>(n);
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        // EAGAIN: a writer holds the FIFO open and has not written yet.
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

LineRead LineReader::skip_rest_of_line(LineRead reason, bool& terminated) {
    for (;;) {
        if (begin_ == end_ && !fill()) {
            terminated = false;
            return reason;
        }
        const char* start = buffer_.data() + begin_;
        const char* stop = buffer_.data() + end_;
        const char* newline = std::find(start, stop, '\n');
        if (newline != stop) {
            begin_ = static_cast<std::size_t>(newline - buffer_.data()) + 1;
            terminated = true;
            return reason;
        }
        begin_ = end_;
    }
}

LineRead LineReader::next(std::string& line, bool& terminated) {
    line.clear();
    bool any = false;
    for (;;) {
        if (begin_ == end_ && !fill()) {
            terminated = false;
            return any ? LineRead::line : LineRead::end;
        }
        any = true;
        const char* start = buffer_.data() + begin_;
        const char* stop = buffer_.data() + end_;
        const char* newline = std::find(start, stop, '\n');
        const std::size_t piece = static_cast<std::size_t>(newline - start);
        if (line.size() + piece > kMaxLineLength) {
            line.clear();
            return skip_rest_of_line(LineRead::too_long, terminated);
        }
        try {
            line.append(start, piece);
        } catch (const std::bad_alloc&) {
            line = std::string();
            return skip_rest_of_line(LineRead::out_of_memory, terminated);
        }
        begin_ += piece;
        if (newline != stop) {
            ++begin_;
            terminated = true;
            return LineRead::line;
        }
    }
}
