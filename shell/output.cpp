#include "shell/output.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

namespace {

// One call fits here; a longer text is formatted a second time on the heap.
constexpr int kFormatBufferSize = 65536;

bool is_informational(const char* format) {
    return format[0] == '#';
}

void append_formatted(const char* format, va_list args) {
    char buffer[kFormatBufferSize];
    va_list again;
    va_copy(again, args);
    int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (length < 0) {
        va_end(again);
        return;
    }
    if (length < kFormatBufferSize) {
        g_output_buffer.append(buffer, static_cast<std::size_t>(length));
        va_end(again);
        return;
    }
    std::size_t old_size = g_output_buffer.size();
    g_output_buffer.resize(old_size + static_cast<std::size_t>(length) + 1);
    std::vsnprintf(g_output_buffer.data() + old_size, static_cast<std::size_t>(length) + 1, format,
                   again);
    g_output_buffer.pop_back();
    va_end(again);
}

}  // namespace

void out_printf(const char* format, ...) {
    if (is_informational(format)) return;
    va_list args;
    va_start(args, format);
    append_formatted(format, args);
    va_end(args);
}

void out_text(const std::string& text) {
    g_output_buffer.append(text);
}

// The command thread is the only writer of the buffer, so it is written from
// where it stands: no copy, and so no allocation that could fail here.
void flush_deferred_output() {
    if (g_output_buffer.empty()) return;
    std::lock_guard<std::mutex> lock(g_output_mutex);
    write_output_lines(g_output_buffer);
    g_output_buffer.clear();
}

double printable_number(double value) {
    return std::isnan(value) ? std::fabs(value) : value;
}
