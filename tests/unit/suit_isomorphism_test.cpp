// Canonical suit order, permutation of combo arrays, hand suit classes.
#include "cards/suit_isomorphism.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "cards/card_text.h"
#include "cards/evaluator.h"
#include "cards/hand_tables.h"

namespace {

u64 cards(std::initializer_list<const char*> texts) {
    u64 mask = 0;
    for (const char* t : texts) mask |= card_bit(parse_card(t, 2));
    return mask;
}

struct SuitMapCase {
    std::vector<const char*> flop;
    const char* turn;
    const char* river;
    u8 expected[4];  // canonical suit of clubs, diamonds, hearts, spades
};

TEST(CanonicalSuitOrderTest, ExamplesFromTheFlopTurnAndRiver) {
    const SuitMapCase cases[] = {
        {{"Ah", "Kh", "2h"}, nullptr, nullptr, {1, 2, 0, 3}},
        {{"Ah", "Kh", "2h"}, "5s", nullptr, {2, 3, 0, 1}},
        {{"Ah", "Kh", "2h"}, "5h", "7d", {2, 1, 0, 3}},
        {{"Qd", "9d", "4s"}, nullptr, nullptr, {2, 0, 3, 1}},
        {{"Qd", "9d", "4s"}, "Tc", nullptr, {2, 0, 3, 1}},
        {{"Qd", "9d", "4s"}, "Th", nullptr, {3, 0, 2, 1}},
        {{"Qs", "9s", "4d"}, nullptr, nullptr, {2, 1, 3, 0}},
        {{"Kc", "8h", "3s"}, nullptr, nullptr, {0, 3, 1, 2}},
        {{"Kc", "8h", "3s"}, "2d", "As", {0, 3, 1, 2}},
    };
    for (const SuitMapCase& c : cases) {
        u64 flop = 0;
        for (const char* t : c.flop) flop |= cards({t});
        u64 turn = c.turn ? cards({c.turn}) : 0;
        u64 river = c.river ? cards({c.river}) : 0;
        const u64 original_flop = flop;
        u8 map[4];
        canonical_suit_order(map, flop, turn, river);
        for (int s = 0; s < 4; ++s) EXPECT_EQ(map[s], c.expected[s]) << c.flop[0] << " suit " << s;
        EXPECT_EQ(flop, relabel_mask(original_flop, map));
        EXPECT_EQ(__builtin_popcountll(flop), 3);
        if (!c.turn) EXPECT_EQ(turn, 0u);
        if (!c.river) EXPECT_EQ(river, 0u);
    }
}

TEST(CanonicalSuitOrderTest, MonotoneFlopBecomesClubs) {
    u64 flop = cards({"Ah", "Kh", "2h"});
    u64 turn = 0;
    u64 river = 0;
    u8 map[4];
    canonical_suit_order(map, flop, turn, river);
    EXPECT_EQ(flop, cards({"Ac", "Kc", "2c"}));
}

TEST(PermuteCombosTest, DirectionZeroMovesHandsAndOneRestores) {
    const u64 flop = cards({"Qd", "9d", "4s"});
    const u64 turn = cards({"Th"});
    std::vector<f64> src(kHandCount);
    std::mt19937 rng(5);
    for (f64& v : src) v = static_cast<f64>(rng() % 1000);
    std::vector<f64> canonical(kHandCount, -1.0);
    std::vector<f64> back(kHandCount, -1.0);
    permute_combos_by_suit(flop, turn, 0, canonical.data(), src.data(), 0);
    permute_combos_by_suit(flop, turn, 0, back.data(), canonical.data(), 1);
    EXPECT_EQ(back, src);
    // Diamonds become clubs, spades diamonds, hearts hearts, clubs spades.
    int ad_kd = combo_index(parse_card("Ad"), parse_card("Kd"));
    int ac_kc = combo_index(parse_card("Ac"), parse_card("Kc"));
    int as_2c = combo_index(parse_card("As"), parse_card("2c"));
    int ad_2s = combo_index(parse_card("Ad"), parse_card("2s"));
    EXPECT_EQ(canonical[ac_kc], src[ad_kd]);
    EXPECT_EQ(canonical[ad_2s], src[as_2c]);
}

TEST(HandSuitClassTest, RanksAndSuitFlags) {
    const u64 board = cards({"Ah", "8h", "3d"});
    auto ranks = [](int high, int low) { return (13 * high + low) << 8; };
    // Suited in a board suit: 64 + (4 - suit).
    EXPECT_EQ(hand_suit_class(board, cards({"Kh", "Qh"})), ranks(11, 10) | 64 | 2);
    EXPECT_EQ(hand_suit_class(board, cards({"Ks", "Qs"})), ranks(11, 10) | 64);
    // Offsuit: first card (higher rank) 32 - 8 x suit, second 4 - suit.
    EXPECT_EQ(hand_suit_class(board, cards({"Kd", "Qh"})), ranks(11, 10) | (32 - 8) | 2);
    EXPECT_EQ(hand_suit_class(board, cards({"Kc", "Qs"})), ranks(11, 10));
    EXPECT_EQ(hand_suit_class(board, cards({"Qh", "Ks"})), ranks(11, 10) | 2);
    // A pair: the first card is the lower card index.
    EXPECT_EQ(hand_suit_class(board, cards({"9d", "9h"})), ranks(7, 7) | (32 - 8) | 2);
    EXPECT_EQ(hand_suit_class(board, 0), -1);
}

TEST(EvaluateHandListTest, BoardPlusHandAndEmptyMasks) {
    init_eval_tables();
    const u64 board = cards({"Ah", "Kh", "2h", "7c"});
    std::vector<u32> values =
        evaluate_hand_list({cards({"Qh", "Jh"}), 0, cards({"Ac", "Ad"})}, board);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0], 0x50CBA90u);  // ace-high flush
    EXPECT_EQ(values[1], 0xFFFFFFFFu);
    EXPECT_EQ(values[2], 0x30CB500u);  // trip aces, king and seven
}

}  // namespace
