// The one way the process ends normally ("exit", end of standard input) and
// on start-up refusals after the banner: pending command output is written
// first, then the process ends at once, whatever the solver thread is doing.
#pragma once

[[noreturn]] void shutdown_and_exit(int code);
