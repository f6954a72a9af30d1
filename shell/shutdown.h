// The one way the process ends normally ("exit", end of standard input) and
// on start-up refusals after the banner: pending command output is written
// first, a running solver is stopped (its stop line follows), then the
// process ends.
#pragma once

[[noreturn]] void shutdown_and_exit(int code);
