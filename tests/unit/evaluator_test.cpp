// The evaluator against a brute-force evaluator written here: hand values
// must order hands exactly as the brute-force ranking does, ties included.
#include "cards/evaluator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "cards/card_text.h"
#include "cards/eval_cards_variants.h"
#include "platform/cpu_features.h"

namespace {

// Brute-force ranking key: category << 20 | up to five ranks, most significant
// first, grouped by multiplicity (larger groups first, then higher rank).
// Straights and flushes only count for five cards.
u32 brute_key(const int* cards, int n) {
    int rank_counts[13] = {};
    int suit_counts[4] = {};
    for (int i = 0; i < n; ++i) {
        ++rank_counts[cards[i] % 13];
        ++suit_counts[cards[i] / 13];
    }
    // (count, rank), larger counts first, then higher ranks: an insertion
    // sort over ranks taken from the top keeps equal counts in rank order.
    std::pair<int, int> groups[7];
    int group_count = 0;
    for (int r = 12; r >= 0; --r) {
        if (!rank_counts[r]) continue;
        int at = group_count++;
        while (at > 0 && groups[at - 1].first < rank_counts[r]) {
            groups[at] = groups[at - 1];
            --at;
        }
        groups[at] = {rank_counts[r], r};
    }
    u32 tiebreak = 0;
    for (int g = 0; g < group_count; ++g)
        tiebreak = tiebreak << 4 | static_cast<u32>(groups[g].second);
    tiebreak <<= 4 * (5 - group_count);

    bool flush = n == 5 && *std::max_element(suit_counts, suit_counts + 4) == 5;
    int straight_top = -1;
    if (n == 5 && group_count == 5) {
        if (groups[0].second - groups[4].second == 4) straight_top = groups[0].second;
        if (groups[0].second == 12 && groups[1].second == 3) straight_top = 3;
    }
    u32 category = 0;
    if (straight_top >= 0 && flush) return 8u << 20 | static_cast<u32>(straight_top);
    if (groups[0].first == 4)
        category = 7;
    else if (groups[0].first == 3 && group_count > 1 && groups[1].first == 2)
        category = 6;
    else if (flush)
        category = 5;
    else if (straight_top >= 0)
        return 4u << 20 | static_cast<u32>(straight_top);
    else if (groups[0].first == 3)
        category = 3;
    else if (groups[0].first == 2 && group_count > 1 && groups[1].first == 2)
        category = 2;
    else if (groups[0].first == 2)
        category = 1;
    return category << 20 | tiebreak;
}

// Best five-card key among all five-card subsets.
u32 brute_best_key(const int* cards, int n) {
    u32 best = 0;
    int subset[5];
    for (int mask = 0; mask < (1 << n); ++mask) {
        if (__builtin_popcount(mask) != 5) continue;
        int k = 0;
        for (int i = 0; i < n; ++i) {
            if (mask >> i & 1) subset[k++] = cards[i];
        }
        best = std::max(best, brute_key(subset, 5));
    }
    return best;
}

// Collects (brute key, value) pairs and checks that values are a strictly
// increasing function of the keys: equal keys give equal values, larger keys
// larger values.
class OrderChecker {
public:
    OrderChecker() : value_of_key_(9u << 20, kUnset) {}

    void add(u32 key, u32 value) {
        u32& slot = value_of_key_[key];
        if (slot == kUnset) {
            slot = value;
            return;
        }
        if (slot != value && mismatches_++ < 5) {
            ADD_FAILURE() << "key " << std::hex << key << " has values " << slot << " and "
                          << value;
        }
    }

    void check_order() const {
        u32 previous = 0;
        bool first = true;
        int inversions = 0;
        for (u32 key = 0; key < value_of_key_.size(); ++key) {
            u32 value = value_of_key_[key];
            if (value == kUnset) continue;
            if (!first && value <= previous && inversions++ < 5) {
                ADD_FAILURE() << "key " << std::hex << key << " value " << value << " not above "
                              << previous;
            }
            previous = value;
            first = false;
        }
        EXPECT_EQ(inversions, 0);
        EXPECT_EQ(mismatches_, 0);
    }

private:
    static constexpr u32 kUnset = 0xFFFFFFFF;
    std::vector<u32> value_of_key_;
    int mismatches_ = 0;
};

u8 card(const char* text) {
    return static_cast<u8>(parse_card(text, 2));
}

u32 eval_text(std::initializer_list<const char*> texts) {
    std::vector<u8> cards;
    for (const char* t : texts) cards.push_back(card(t));
    return eval_cards(cards.data(), static_cast<int>(cards.size()));
}

class EvaluatorTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(init_eval_tables(), 1); }
};

TEST_F(EvaluatorTest, EveryFiveCardHandOrdersLikeBruteForce) {
    OrderChecker checker;
    int cards[5];
    u8 bytes[5];
    for (cards[0] = 0; cards[0] < 52; ++cards[0]) {
        for (cards[1] = cards[0] + 1; cards[1] < 52; ++cards[1]) {
            for (cards[2] = cards[1] + 1; cards[2] < 52; ++cards[2]) {
                for (cards[3] = cards[2] + 1; cards[3] < 52; ++cards[3]) {
                    for (cards[4] = cards[3] + 1; cards[4] < 52; ++cards[4]) {
                        for (int i = 0; i < 5; ++i) bytes[i] = static_cast<u8>(cards[i]);
                        checker.add(brute_key(cards, 5), eval_cards_generic(bytes, 5));
                    }
                }
            }
        }
    }
    checker.check_order();
}

TEST_F(EvaluatorTest, RandomSixAndSevenCardHandsOrderLikeBestFive) {
    std::mt19937 rng(12345);
    for (int n : {6, 7}) {
        OrderChecker checker;
        std::array<int, 52> deck;
        for (int i = 0; i < 52; ++i) deck[i] = i;
        const int hands = n == 7 ? 300000 : 150000;
        for (int h = 0; h < hands; ++h) {
            // Partial Fisher-Yates: the first n cards are a uniform draw.
            for (int i = 0; i < n; ++i) {
                int j = i + static_cast<int>(rng() % static_cast<u32>(52 - i));
                std::swap(deck[i], deck[j]);
            }
            u8 bytes[7];
            for (int i = 0; i < n; ++i) bytes[i] = static_cast<u8>(deck[i]);
            checker.add(brute_best_key(deck.data(), n), eval_cards_generic(bytes, n));
        }
        checker.check_order();
    }
}

TEST_F(EvaluatorTest, EveryThreeAndFourCardHandOrdersLikeBruteForce) {
    OrderChecker three;
    OrderChecker four;
    int cards[4];
    u8 bytes[4];
    for (cards[0] = 0; cards[0] < 52; ++cards[0]) {
        for (cards[1] = cards[0] + 1; cards[1] < 52; ++cards[1]) {
            for (cards[2] = cards[1] + 1; cards[2] < 52; ++cards[2]) {
                for (int i = 0; i < 3; ++i) bytes[i] = static_cast<u8>(cards[i]);
                three.add(brute_key(cards, 3), eval_cards_generic(bytes, 3));
                for (cards[3] = cards[2] + 1; cards[3] < 52; ++cards[3]) {
                    bytes[3] = static_cast<u8>(cards[3]);
                    four.add(brute_key(cards, 4), eval_cards_generic(bytes, 4));
                }
            }
        }
    }
    three.check_order();
    four.check_order();
}

TEST_F(EvaluatorTest, EdgeCaseValues) {
    EXPECT_EQ(eval_text({"Ah", "2c", "3d", "4s", "5h"}), 0x4030000u);
    EXPECT_EQ(eval_text({"Ah", "2h", "3h", "4h", "5h"}), 0x8030000u);
    // Six consecutive ranks: the higher straight.
    EXPECT_EQ(eval_text({"4c", "5d", "6h", "7s", "8c", "9d", "Kh"}), 0x4070000u);
    // Two trips in seven cards: aces full of kings.
    EXPECT_EQ(eval_text({"Ah", "Ad", "Ac", "Kh", "Kd", "Ks", "2h"}), 0x60CB000u);
    // Three pairs and a single: kicker is the higher of the third pair and the single.
    EXPECT_EQ(eval_text({"Ah", "Ad", "Kh", "Kd", "Qs", "Qc", "2h"}), 0x20CBA00u);
    EXPECT_EQ(eval_text({"Ah", "Ad", "Kh", "Kd", "3s", "3c", "Jh"}), 0x20CB900u);
    // Six cards with two trips: the higher over the lower.
    EXPECT_EQ(eval_text({"5h", "5d", "5c", "9h", "9d", "9s"}), 0x6073000u);
    // Four of a rank and no kicker.
    EXPECT_EQ(eval_text({"7h", "7d", "7c", "7s"}), 0x7000000u | 5u << 16);
    EXPECT_EQ(eval_text({"7h", "7d", "7c"}), 0x3000000u | 5u << 16);
    EXPECT_EQ(eval_text({"Kh", "Td", "2c", "9s"}), 0xB870u << 4);
    // A flush beats the straight that the same seven cards hold.
    EXPECT_EQ(eval_text({"2h", "7h", "9h", "Jh", "Kh", "8d", "Tc"}), 0x50B9750u);
    u8 two[2] = {0, 1};
    u8 eight[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(eval_cards(two, 2), 0u);
    EXPECT_EQ(eval_cards(eight, 8), 0u);
    EXPECT_EQ(g_eval_straight[0x1fff], 0u);
    EXPECT_EQ(g_eval_straight[0x100f], 0x4030000u);
    EXPECT_EQ(g_eval_low_five[0], 0xfffffffu);
}

TEST_F(EvaluatorTest, MaskRoutinesMatchEvalCards) {
    std::mt19937 rng(7);
    for (int trial = 0; trial < 20000; ++trial) {
        int n = 3 + trial % 5;
        u64 used = 0;
        u8 cards[7];
        u64 mask = 0;
        for (int i = 0; i < n;) {
            int c = static_cast<int>(rng() % 52);
            if (used >> c & 1) continue;
            used |= u64{1} << c;
            cards[i++] = static_cast<u8>(c);
            mask |= eval_bit(c);
        }
        u32 (*const routines[])(u64) = {eval3_mask, eval4_mask, eval5_mask, eval6_mask, eval7_mask};
        ASSERT_EQ(routines[n - 3](mask), eval_cards_generic(cards, n));
    }
}

TEST_F(EvaluatorTest, Avx2VariantMatchesGeneric) {
    if (!cpu_features().avx2_set) GTEST_SKIP() << "processor lacks the AVX2 set";
    std::mt19937 rng(99);
    std::array<u8, 52> deck;
    for (int i = 0; i < 52; ++i) deck[i] = static_cast<u8>(i);
    for (int trial = 0; trial < 200000; ++trial) {
        int n = 2 + trial % 7;
        std::shuffle(deck.begin(), deck.begin() + 52, rng);
        ASSERT_EQ(eval_cards_avx2(deck.data(), n), eval_cards_generic(deck.data(), n));
    }
    // Every card in every lane.
    for (int c = 0; c < 52; ++c) {
        for (int lane = 0; lane < 7; ++lane) {
            u8 cards[7] = {0, 14, 28, 42, 5, 19, 33};
            for (u8& x : cards) x = static_cast<u8>(x == c ? (c + 1) % 52 : x);
            cards[lane] = static_cast<u8>(c);
            EXPECT_EQ(eval_cards_avx2(cards, 7), eval_cards_generic(cards, 7));
        }
    }
}

}  // namespace
