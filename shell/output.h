// Output layer. Commands print into the deferred buffer with `out_printf`; the
// command loop writes it out after each line with `flush_deferred_output`. The
// solver thread prints at once with `locked_printf`. A format that begins with
// '#' is informational and prints nothing.
#pragma once

#include <mutex>
#include <string>

extern std::mutex g_output_mutex;
extern std::string g_output_buffer;

void out_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Appends text as it stands: user text is never a format.
void out_text(const std::string& text);
void flush_deferred_output();
void locked_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void locked_printf_flush(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Used by `fail`: writes whatever is pending and flushes standard output under
// the output lock.
void flush_pending_output_locked();
// Writes whatever is pending, flushes standard output and ends the process
// at once with `code`, still holding the output lock so that no text of the
// solver thread is cut off halfway by the end.
[[noreturn]] void exit_after_pending_output(int code);
