#include "shell/settings.h"

std::vector<f64> g_ranges[2];

u64 g_flop_mask = 0;
u64 g_turn_mask = 0;
u64 g_river_mask = 0;

f64 g_pot_args[3] = {0.0, 0.0, 100.0};
f64& g_pot = g_pot_args[2];

i32 g_root_street = 1;
u8 g_isomorphism_by_street[4] = {0, 1, 0, 0};

u8 g_tree_present = 0;
u8 g_ev_flag_from_file = 0;

i32 g_compression_setting = -1;
i32 g_actual_compression = 0;

f64 g_accuracy = 0.0;
u8 g_accuracy_is_fraction = 0;

f64 g_rake[2] = {0.0, 0.0};

void send_accuracy_target() {
    g_required_accuracy = g_accuracy_is_fraction ? g_accuracy * g_pot : g_accuracy;
}
