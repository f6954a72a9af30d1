// Standard output as the threads share it. The command thread collects what
// a command prints in the deferred buffer (shell/output.h) and writes it after
// each line; the solver thread, and the fatal exit of low-level code, write at
// once. The output lock keeps each writer's unit (the lines of one flush, one
// locked text) whole. A format that begins with '#' is informational and
// prints nothing.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

extern std::mutex g_output_mutex;
// Text that the command being run has printed and that is not yet written;
// written by the shell's flush after each line and by the fatal exit before
// its own line. Only the command thread appends to it.
extern std::string g_output_buffer;

void locked_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same, followed by one more flush of standard output.
void locked_printf_flush(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Writes `text` to standard output line by line: empty pieces between
// newlines are dropped and every kept piece ends with exactly one newline, so
// no command can print a blank line. Writes from the text in place, without a
// copy. The caller holds the output lock.
void write_output_lines(std::string_view text);

// Writes whatever is pending and flushes standard output, under the output
// lock: used by the fatal exit.
void flush_pending_output_locked();
// Writes whatever is pending, flushes standard output and ends the process
// at once with `code`, still holding the output lock so that no text of the
// solver thread is cut off halfway by the end.
[[noreturn]] void exit_after_pending_output(int code);
