// Numbers in command tokens. A number is read from the leading characters of
// its token (leading white space and a sign allowed; the rest of the token is
// ignored, so "12x" is 12 and "3.5" read as a whole number is 3). A token
// that does not begin with a number, or whose number does not fit its type,
// raises `InvalidNumber`, which the dispatcher answers with "Invalid value".
#pragma once

#include <exception>
#include <string>

#include "platform/int_types.h"

struct InvalidNumber : std::exception {
    const char* what() const noexcept override { return "Invalid value"; }
};

// Base 10, within the 32-bit signed range.
i32 read_i32(const std::string& token);
// Finite and, unless zero, normal: NaN, infinities, overflow and underflow
// (including subnormal results) are all invalid.
f64 read_f64(const std::string& token);
