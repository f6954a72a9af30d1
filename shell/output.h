// Output layer of the commands. Commands print into the deferred buffer with
// `out_printf`; the command loop writes it out after each line with
// `flush_deferred_output`. The buffer, the output lock and the locked printing
// of the solver thread are in platform/console_output.h. A format that begins
// with '#' is informational and prints nothing.
#pragma once

#include <string>

#include "platform/console_output.h"

void out_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Appends text as it stands: user text is never a format.
void out_text(const std::string& text);
// Writes the deferred buffer under the output lock and empties it.
void flush_deferred_output();

// The value to hand to a printf conversion: a NaN loses its sign bit, which
// the C library would print as "-nan"; every NaN prints as "nan".
double printable_number(double value);
