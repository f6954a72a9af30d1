#include "shell/info_commands.h"

#include <bit>
#include <string>

#include "cards/card_text.h"
#include "platform/cpu_features.h"
#include "platform/memory_status.h"
#include "shell/command_reply.h"
#include "shell/output.h"
#include "shell/range_board_commands.h"
#include "shell/settings.h"

namespace {

constexpr u64 kBytesPerMegabyte = u64{1} << 20;

void append_card(std::string& text, int card) {
    if (card < 0) return;
    text.push_back(' ');
    text += cards_to_text(u64{1} << card);
}

// Flop cards, then the turn and the river card when the board has them.
std::string board_text() {
    std::string text = cards_to_text(g_flop_mask);
    append_card(text, lowest_card(g_turn_mask));
    append_card(text, lowest_card(g_river_mask));
    return text;
}

}  // namespace

void cmd_show_memory(const Tokens&) {
    MemoryStatus status = memory_status();
    u64 total_mb = status.total_bytes / kBytesPerMegabyte;
    u64 available_mb = available_physical_memory(status) / kBytesPerMegabyte;
    out_printf("Total Physical Memory: %d MB\n", static_cast<int>(total_mb));
    out_printf("Available Phys Memory: %d MB\n", static_cast<int>(available_mb));
    out_printf("END\n");
}

void cmd_is_tree_present(const Tokens&) {
    out_printf(g_tree_present ? "true\n" : "false\n");
}

void cmd_show_settings(const Tokens&) {
    out_printf("END\n");
}

void cmd_show_tree_params(const Tokens&) {
    out_printf("board: %s\n", board_text().c_str());
    out_printf("pot: %g %g %g\n", 0.0, 0.0, g_pot);
    out_printf("bet_sizes: \n");
    out_printf("donk_bet: FALSE\n");
    out_printf("END\n");
}

// AVX2 alone decides the answer; the kernels' AVX2 variants need more
// (FMA, BMI1, BMI2, LZCNT, F16C), so a processor can answer "AVX2" and still
// run the generic kernels. The compiler's check includes the YMM state test.
void cmd_ai6_get_instruction_set(const Tokens&) {
    const CpuFeatures& features = cpu_features();
    if (features.avx && __builtin_cpu_supports("avx2")) {
        out_printf("AVX2\n");
        return;
    }
    out_printf(features.avx ? "AVX\n" : "SSE3\n");
}

void cmd_set_isomorphism(const Tokens& tokens) {
    g_isomorphism_by_street[1] = tokens[1] != "0";
    g_isomorphism_by_street[2] = tokens[2] != "0";
    print_ok();
}

void cmd_ignore_mem_check(const Tokens& tokens) {
    if (tokens[1] != "on" && tokens[1] != "off") throw_argument_error();
    print_ok();
}
