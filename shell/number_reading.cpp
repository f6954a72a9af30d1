#include "shell/number_reading.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Read from the bits: the command thread runs with denormals-are-zero, under
// which a subnormal compares equal to zero.
bool is_subnormal(f64 value) {
    u64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    constexpr u64 kExponentMask = 0x7FF0000000000000ull;
    constexpr u64 kMantissaMask = 0x000FFFFFFFFFFFFFull;
    return (bits & kExponentMask) == 0 && (bits & kMantissaMask) != 0;
}

}  // namespace

i32 read_i32(const std::string& token) {
    const char* start = token.c_str();
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(start, &end, 10);
    if (end == start || errno == ERANGE) throw InvalidNumber();
    if (value < std::numeric_limits<i32>::min() || value > std::numeric_limits<i32>::max()) {
        throw InvalidNumber();
    }
    return static_cast<i32>(value);
}

f64 read_f64(const std::string& token) {
    const char* start = token.c_str();
    char* end = nullptr;
    errno = 0;
    f64 value = std::strtod(start, &end);
    if (end == start || errno == ERANGE) throw InvalidNumber();
    if (!std::isfinite(value) || is_subnormal(value)) throw InvalidNumber();
    return value;
}
