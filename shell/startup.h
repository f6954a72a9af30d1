// Program entry and start-up: processor test, command line, card tables,
// banner, the start-up script, then the command loop on standard input.
#pragma once

#include "platform/int_types.h"

// Wall clock at start-up in 100-ns ticks since 1970-01-01 UTC; `solver_time`
// measures from it.
extern i64 g_start_time;

// The whole life of the process; returns only its exit code for refusals
// before the banner (the normal end goes through `shutdown_and_exit`).
int run_program(int argc, char** argv);
