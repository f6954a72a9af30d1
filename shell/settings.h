// Settings of the command shell: what the setting commands store and what
// `build_tree`, `load_tree` and the queries read. All of them are written by
// the command thread only. The settings that the solver thread reads are the
// solver's own (solver/solver_settings.h).
#pragma once

#include <vector>

#include "platform/int_types.h"
#include "solver/solver_settings.h"

// Hand weights per player (0 OOP, 1 IP), 1326 entries in combo order once set;
// empty until `set_range` or `load_tree` fills them.
extern std::vector<f64> g_ranges[2];

// Board as card masks (bit = card index); 0 for a street without a card.
extern u64 g_flop_mask;
extern u64 g_turn_mask;
extern u64 g_river_mask;

// The three figures of `set_pot`; the third is the pot, also known as g_pot.
extern f64 g_pot_args[3];
extern f64& g_pot;

// Street of the root of the built tree: 1 flop, 2 turn, 3 river.
extern i32 g_root_street;
// Suit isomorphism switch per street (index 1 flop, 2 turn; 0 = off).
extern u8 g_isomorphism_by_street[4];

extern u8 g_tree_present;
// Set when a loaded archive carried no expected values.
extern u8 g_ev_flag_from_file;

// -1 automatic, else a level 0 (none) to 4 (max).
extern i32 g_compression_setting;
// Level in use for the current tree (or the last one).
extern i32 g_actual_compression;

// The accuracy as typed; a fraction of the pot when the flag is set.
extern f64 g_accuracy;
extern u8 g_accuracy_is_fraction;

// Rake fraction and cap: stored for `set_rake`, applied by nothing.
extern f64 g_rake[2];

// The absolute exploitability target that the accuracy settings and the pot
// give; `set_pot` re-sends it because it may be relative to the pot.
void send_accuracy_target();
