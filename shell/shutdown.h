// The one way the process ends normally ("exit", end of standard input) and
// on start-up refusals after the banner: pending command output is written
// first. Code that owns threads (the solver) stops them here before the exit.
#pragma once

[[noreturn]] void shutdown_and_exit(int code);
