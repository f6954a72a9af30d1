#include "platform/console_output.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

std::mutex g_output_mutex;
std::string g_output_buffer;

namespace {

bool is_informational(const char* format) {
    return format[0] == '#';
}

void vlocked_printf(const char* format, va_list args) {
    std::lock_guard<std::mutex> lock(g_output_mutex);
    std::vfprintf(stdout, format, args);
    std::fflush(stdout);
}

}  // namespace

void locked_printf(const char* format, ...) {
    if (is_informational(format)) return;
    va_list args;
    va_start(args, format);
    vlocked_printf(format, args);
    va_end(args);
}

void locked_printf_flush(const char* format, ...) {
    if (is_informational(format)) return;
    va_list args;
    va_start(args, format);
    vlocked_printf(format, args);
    va_end(args);
    std::fflush(stdout);
}

void write_output_lines(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) {
            std::fwrite(text.data() + start, 1, end - start, stdout);
            std::fputc('\n', stdout);
        }
        start = end + 1;
    }
}

void flush_pending_output_locked() {
    std::lock_guard<std::mutex> lock(g_output_mutex);
    write_output_lines(g_output_buffer);
    g_output_buffer.clear();
    std::fflush(stdout);
}

// _Exit rather than exit: a solver thread may still be running, and static
// destructors must not pull the tree and the output buffer from under it.
void exit_after_pending_output(int code) {
    std::lock_guard<std::mutex> lock(g_output_mutex);
    write_output_lines(g_output_buffer);
    g_output_buffer.clear();
    std::fflush(stdout);
    std::_Exit(code);
}
