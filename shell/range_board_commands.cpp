#include "shell/range_board_commands.h"

#include <bit>
#include <vector>

#include "cards/card_text.h"
#include "cards/hand_tables.h"
#include "platform/clock.h"
#include "shell/command_reply.h"
#include "shell/number_reading.h"
#include "shell/output.h"
#include "shell/settings.h"
#include "shell/startup.h"
#include "solver/arithmetic_limits.h"

namespace {

constexpr int kFirstWeightToken = 2;
constexpr std::size_t kMaxCardTokenLength = 255;
constexpr f64 kTicksPerSecond = 1e7;

[[noreturn]] void throw_invalid_card() {
    throw CommandError("ERROR: invalid card\n");
}

void require_card_count(u64 mask, int count) {
    if (std::popcount(mask) != count) throw_argument_error();
}

}  // namespace

u64 parse_card_list(const std::string& text) {
    if (text.size() > kMaxCardTokenLength) throw_invalid_card();
    u64 mask = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        if (at + 2 > text.size()) throw_invalid_card();
        int card = parse_card(text.data() + at, 2);
        if (card < 0 || (mask & card_bit(card))) throw_invalid_card();
        mask |= card_bit(card);
        at += 2;
        while (at < text.size() && text[at] == ' ') ++at;
    }
    return mask;
}

int parse_player_name(const std::string& name) {
    if (name == "OOP" || name == "hero") return 0;
    if (name == "IP" || name == "villain") return 1;
    throw_command_error("incorrect player name");
}

std::string cards_to_text(u64 mask) {
    std::string text;
    for (int card = 0; card < 52; ++card) {
        if (!(mask & card_bit(card))) continue;
        if (!text.empty()) text.push_back(' ');
        text += card_text(card);
    }
    return text;
}

void cmd_set_range(const Tokens& tokens) {
    int player = parse_player_name(tokens[1]);
    std::vector<f64> protocol_weights(kHandCount);
    for (int h = 0; h < kHandCount; ++h) {
        // A weight written -0 is the weight 0.
        protocol_weights[h] = read_f64(tokens[kFirstWeightToken + h]) + 0.0;
    }
    if (const char* fault = range_weight_fault(protocol_weights)) throw_command_error(fault);
    std::vector<f64> weights(kHandCount);
    for (int c = 0; c < kHandCount; ++c) weights[c] = protocol_weights[g_combo_to_protocol[c]];
    g_ranges[player] = std::move(weights);
    print_ok();
}

void cmd_set_board(const Tokens& tokens) {
    std::size_t card_tokens = tokens.size() - 1;
    if (card_tokens < 3 || card_tokens > 5) throw_argument_error();
    std::vector<u64> masks;
    for (std::size_t i = 1; i < tokens.size(); ++i) masks.push_back(parse_card_list(tokens[i]));
    u64 flop = masks[0] | masks[1] | masks[2];
    u64 turn = card_tokens >= 4 ? masks[3] : 0;
    u64 river = card_tokens == 5 ? masks[4] : 0;
    require_card_count(flop, 3);
    if (card_tokens >= 4) require_card_count(turn, 1);
    if (card_tokens == 5) require_card_count(river, 1);
    if (std::popcount(flop | turn | river) != static_cast<int>(card_tokens)) {
        throw_command_error("duplicate cards");
    }
    g_flop_mask = flop;
    g_turn_mask = turn;
    g_river_mask = river;
    print_ok();
}

void cmd_set_pot(const Tokens& tokens) {
    i32 first = read_i32(tokens[1]);
    i32 second = read_i32(tokens[2]);
    i32 pot = read_i32(tokens[3]);
    if (pot <= 0) throw_command_error("pot must be above 0");
    g_pot_args[0] = first;
    g_pot_args[1] = second;
    g_pot_args[2] = pot;
    send_accuracy_target();
    print_ok();
}

void cmd_show_hand_order(const Tokens&) {
    out_printf("%s\n", g_hand_text);
}

void cmd_solver_time(const Tokens&) {
    i64 elapsed = wall_clock_100ns() - g_start_time;
    out_printf("%f\n", static_cast<f64>(elapsed) / kTicksPerSecond);
}
