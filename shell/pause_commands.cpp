#include "shell/pause_commands.h"

#include "platform/clock.h"
#include "shell/number_reading.h"

// A negative duration does not pause.
void cmd_sleep(const Tokens& tokens) {
    i32 milliseconds = read_i32(tokens[1]);
    if (milliseconds > 0) sleep_ms(milliseconds);
}
