#include "shell/solver_settings_commands.h"

#include <omp.h>

#include <algorithm>
#include <string_view>

#include "shell/command_reply.h"
#include "shell/number_reading.h"
#include "shell/output.h"
#include "shell/settings.h"
#include "shell/tree_commands.h"

namespace {

constexpr i32 kMaxCompressionLevel = 4;
constexpr i32 kMaxScheduler = 2;

struct CompressionKeyword {
    std::string_view word;
    i32 level;
};

// The automatic level (-1) is reached only through its keyword.
constexpr CompressionKeyword kCompressionKeywords[] = {
    {"auto", -1}, {"none", 0}, {"low", 1}, {"medium", 2}, {"high", 3}, {"max", 4},
};

i32 compression_level_of(const std::string& token) {
    for (const CompressionKeyword& keyword : kCompressionKeywords) {
        if (token == keyword.word) return keyword.level;
    }
    return std::clamp(read_i32(token), 0, kMaxCompressionLevel);
}

}  // namespace

void cmd_ai6_set_compression(const Tokens& tokens) {
    set_compression_setting(compression_level_of(tokens[1]));
    print_ok();
}

void cmd_ai6_get_actual_compression(const Tokens&) {
    out_printf("compression %d\n", g_actual_compression);
}

void cmd_set_threads(const Tokens& tokens) {
    i32 count = read_i32(tokens[1]);
    if (count < 1) count = omp_get_max_threads();
    g_thread_count = std::min(count, kMaxThreadCount);
    print_ok();
}

void cmd_set_scheduler(const Tokens& tokens) {
    i32 scheduler = read_i32(tokens[1]);
    if (static_cast<u32>(scheduler) > static_cast<u32>(kMaxScheduler)) throw_argument_error();
    g_scheduler = scheduler;
    print_ok();
}
