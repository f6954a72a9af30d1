// Card text: rank character of "23456789TJQKA" then suit character of "cdhs".
#pragma once

#include <bit>
#include <string>

#include "platform/int_types.h"

// Card index (13 x suit + rank) of a two-character card text, case-insensitive;
// -1 when the text is not a card.
int parse_card(const char* text, std::size_t length);
inline int parse_card(const std::string& text) { return parse_card(text.data(), text.size()); }
// "Ah" for the card index of the ace of hearts.
std::string card_text(int card);
inline int card_rank(int card) { return card % 13; }
inline int card_suit(int card) { return card / 13; }
inline u64 card_bit(int card) { return u64{1} << card; }
// The bit of a dealt card; no bit for -1 (not dealt).
inline u64 card_mask_of(int card) { return card >= 0 ? card_bit(card) : 0; }
// The lowest card of a mask; -1 for an empty one.
inline int lowest_card(u64 mask) { return mask ? std::countr_zero(mask) : -1; }
