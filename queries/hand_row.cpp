#include "queries/hand_row.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "cards/hand_tables.h"
#include "shell/output.h"

namespace {

// The line is built whole and printed with one call, like every listing.
constexpr std::size_t kRowBufferSize = 65536;
constexpr std::size_t kNumberBufferSize = 64;

// The C library would print a NaN with its sign bit set as "-nan".
void format_number(char* out, std::size_t size, f64 value, const char* number_format,
                   const char* nan_text = kNanText) {
    if (std::isnan(value)) {
        std::snprintf(out, size, "%s", nan_text);
        return;
    }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::snprintf(out, size, number_format, value);
#pragma GCC diagnostic pop
}

}  // namespace

std::string number_text(f64 value, const char* number_format) {
    char number[kNumberBufferSize];
    format_number(number, sizeof number, value, number_format);
    return number;
}

void print_hand_row(const f64* combo_values, const char* number_format, const char* nan_text) {
    std::string line;
    line.reserve(kRowBufferSize);
    char number[kNumberBufferSize];
    for (int h = 0; h < kHandCount; ++h) {
        format_number(number, sizeof number, combo_values[g_protocol_to_combo[h]], number_format,
                      nan_text);
        if (h > 0) line.push_back(' ');
        line += number;
    }
    line.push_back('\n');
    if (line.size() >= kRowBufferSize) throw std::runtime_error("buffer too small");
    out_text(line);
}
