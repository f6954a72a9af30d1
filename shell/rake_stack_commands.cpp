#include "shell/rake_stack_commands.h"

#include "shell/command_reply.h"
#include "shell/number_reading.h"
#include "shell/settings.h"

void cmd_is_ready(const Tokens&) {
    print_ok();
}

// The fraction is checked before the cap is read.
void cmd_set_rake(const Tokens& tokens) {
    f64 fraction = read_f64(tokens[1]);
    if (fraction < 0.0 || fraction > 1.0) throw_argument_error();
    f64 cap = read_f64(tokens[2]);
    if (cap < 0.0) throw_argument_error();
    g_rake[0] = fraction;
    g_rake[1] = cap;
    print_ok();
}
