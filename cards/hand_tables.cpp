#include "cards/hand_tables.h"

#include <cctype>
#include <cstring>
#include <stdexcept>

u64 g_protocol_mask[kHandCount];
u16 g_protocol_to_combo[kHandCount];
i16 g_combo_to_protocol[kHandCount];
std::vector<u16> g_hand_class_combos[kHandClassCount];

namespace {

constexpr char kRanks[] = "23456789TJQKA";
constexpr char kUpperSuits[] = "CDHS";

[[noreturn]] void invalid_card() {
    throw std::runtime_error("ERROR: invalid card\n");
}

int position_in(const char* alphabet, char c) {
    if (c == '\0') return -1;
    const char* at = std::strchr(alphabet, c);
    return at ? static_cast<int>(at - alphabet) : -1;
}

// Parses upper-cased card text ("AS KD ...") into a card mask; a bad
// character or a repeated card is an invalid card.
u64 parse_upper_cards(const char* text) {
    u64 mask = 0;
    while (*text != '\0') {
        int rank = position_in(kRanks, *text++);
        if (rank < 0) invalid_card();
        int suit = position_in(kUpperSuits, *text++);
        if (suit < 0) invalid_card();
        u64 bit = u64{1} << (13 * suit + rank);
        if (mask & bit) invalid_card();
        mask |= bit;
        while (*text == ' ') ++text;
    }
    return mask;
}

int hand_class_of(int lo, int hi) {
    int rank_lo = lo % 13;
    int rank_hi = hi % 13;
    if (lo / 13 == hi / 13) return 13 * rank_lo + rank_hi;
    return rank_lo > rank_hi ? 13 * rank_lo + rank_hi : 13 * rank_hi + rank_lo;
}

}  // namespace

void init_hand_tables() {
    for (auto& list : g_hand_class_combos) list.clear();
    for (int i = 0; i < kHandCount; ++i) {
        char buffer[256] = {};
        std::memcpy(buffer, g_hand_text + 5 * i, 4);
        for (char* p = buffer; *p; ++p) *p = static_cast<char>(std::toupper(*p));
        u64 mask = parse_upper_cards(buffer);
        int hi = 63 - __builtin_clzll(mask);
        int lo = __builtin_ctzll(mask);
        int combo = combo_index(lo, hi);
        g_protocol_mask[i] = mask;
        g_protocol_to_combo[i] = static_cast<u16>(combo);
        g_combo_to_protocol[combo] = static_cast<i16>(i);
        g_hand_class_combos[hand_class_of(lo, hi)].push_back(static_cast<u16>(combo));
    }
}
