// Fatal exit of low-level code: writes pending command output, then
// "fail (<message>)" or "fail" on standard output, and ends the process with
// exit code 1.
#pragma once

[[noreturn]] void fail(const char* message = nullptr);

// The same exit with a line of its own, as it stands (for example the codec
// reader's "fse error").
[[noreturn]] void fail_with_line(const char* line);
