#include "shell/output.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string_view>

std::mutex g_output_mutex;
std::string g_output_buffer;

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

// Empty pieces between newlines are dropped and every kept piece ends with
// exactly one newline, so no command can print a blank line.
std::string normalized_lines(std::string_view text) {
    std::string lines;
    lines.reserve(text.size() + 1);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) {
            lines.append(text.substr(start, end - start));
            lines.push_back('\n');
        }
        start = end + 1;
    }
    return lines;
}

// Expects the output lock to be held.
void write_buffer_unlocked(const std::string& text) {
    std::string lines = normalized_lines(text);
    std::fwrite(lines.data(), 1, lines.size(), stdout);
}

void vlocked_printf(const char* format, va_list args) {
    std::lock_guard<std::mutex> lock(g_output_mutex);
    std::vfprintf(stdout, format, args);
    std::fflush(stdout);
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

void flush_deferred_output() {
    if (g_output_buffer.empty()) return;
    std::string copy = g_output_buffer;
    std::lock_guard<std::mutex> lock(g_output_mutex);
    write_buffer_unlocked(copy);
    g_output_buffer.clear();
}

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

void flush_pending_output_locked() {
    std::lock_guard<std::mutex> lock(g_output_mutex);
    write_buffer_unlocked(g_output_buffer);
    g_output_buffer.clear();
    std::fflush(stdout);
}

// _Exit rather than exit: a solver thread may still be running, and static
// destructors must not pull the tree and the output buffer from under it.
void exit_after_pending_output(int code) {
    std::lock_guard<std::mutex> lock(g_output_mutex);
    write_buffer_unlocked(g_output_buffer);
    g_output_buffer.clear();
    std::fflush(stdout);
    std::_Exit(code);
}
