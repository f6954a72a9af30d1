// The per-hand row that the query listings share: 1326 values held in combo
// order, printed on one line in protocol hand order (position h shows combo
// g_protocol_to_combo[h]), one blank between values, through one number
// format. NaN, an undefined value, prints as the row's NaN text: "nan" in
// strategy, expected-value and equity rows, "0" in range and weight rows,
// which callers parse as numbers; infinities go through the number format.
#pragma once

#include <string>

#include "platform/int_types.h"

// Strategies and ranges print with "%.12g", expected values and equities
// with "%.9g".
inline constexpr const char* kStrategyFormat = "%.12g";
inline constexpr const char* kValueFormat = "%.9g";

// NaN texts of the rows.
inline constexpr const char* kNanText = "nan";
inline constexpr const char* kNanAsZero = "0";

// Prints the row through out_text; a line longer than 65,535 characters
// (which no format of the system produces) fails with a std::runtime_error
// "buffer too small".
void print_hand_row(const f64* combo_values, const char* number_format,
                    const char* nan_text = kNanText);

// One value as the rows print it: "nan" for NaN, else the number format
// (a printf format with one double conversion). For the one-line-per-hand
// listings as well.
std::string number_text(f64 value, const char* number_format);
