// Card and hand numberings: the constant tables against their rule, the maps
// between protocol and combo order, the hand classes, and card text.
#include "cards/hand_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "cards/card_text.h"

namespace {

constexpr char kRanks[] = "23456789TJQKA";
constexpr char kSuits[] = "cdhs";

// Protocol card number 4 x rank + suit to its text.
std::string protocol_card_text(int p) {
    return {kRanks[p / 4], kSuits[p % 4]};
}
int protocol_to_card_index(int p) {
    return 13 * (p % 4) + p / 4;
}

class HandTablesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { init_hand_tables(); }
};

TEST_F(HandTablesTest, TextAndClassifierTablesFollowTheirRule) {
    ASSERT_EQ(std::string(g_hand_text).size(), static_cast<std::size_t>(kHandTextLength));
    int i = 0;
    for (int hi = 1; hi < 52; ++hi) {
        for (int lo = 0; lo < hi; ++lo, ++i) {
            std::string entry(g_hand_text + 5 * i, 4);
            ASSERT_EQ(entry, protocol_card_text(hi) + protocol_card_text(lo)) << i;
            if (i + 1 < kHandCount) ASSERT_EQ(g_hand_text[5 * i + 4], ' ');
            EXPECT_EQ(g_classifier_card1[i], 51 - hi);
            EXPECT_EQ(g_classifier_card2[i], 51 - lo);
        }
    }
    EXPECT_EQ(std::string(g_hand_text, 19), "2d2c 2h2c 2h2d 2s2c");
    EXPECT_EQ(std::string(g_hand_text + kHandTextLength - 9), "AsAd AsAh");
}

TEST_F(HandTablesTest, ProtocolAndComboOrdersAreInversePermutations) {
    std::set<int> combos;
    int p = 0;
    for (int hi = 1; hi < 52; ++hi) {
        for (int lo = 0; lo < hi; ++lo, ++p) {
            int a = protocol_to_card_index(hi);
            int b = protocol_to_card_index(lo);
            EXPECT_EQ(g_protocol_mask[p], (u64{1} << a) | (u64{1} << b));
            int high = std::max(a, b);
            int low = std::min(a, b);
            int combo = g_protocol_to_combo[p];
            EXPECT_EQ(combo, high * (high - 1) / 2 + low);
            EXPECT_EQ(g_combo_to_protocol[combo], p);
            combos.insert(combo);
        }
    }
    EXPECT_EQ(combos.size(), static_cast<std::size_t>(kHandCount));
    for (int c = 0; c < kHandCount; ++c) EXPECT_EQ(g_protocol_to_combo[g_combo_to_protocol[c]], c);
}

TEST_F(HandTablesTest, NamedHands) {
    // "2d2c": card indices 13 and 0.
    EXPECT_EQ(g_protocol_mask[0], (u64{1} << 13) | 1);
    EXPECT_EQ(g_protocol_to_combo[0], 78);
    // "AsAh": card indices 51 and 38.
    EXPECT_EQ(g_protocol_to_combo[1325], 1313);
    // Combo 1325 is "AsKs".
    EXPECT_EQ(g_combo_to_protocol[1325], 1322);
    EXPECT_EQ(std::string(g_hand_text + 5 * 1322, 4), "AsKs");
    EXPECT_EQ(g_protocol_to_combo[6], 0);   // "3c2c"
    EXPECT_EQ(g_protocol_to_combo[7], 79);  // "3c2d"
    EXPECT_EQ(combo_index(13, 0), 78);
    EXPECT_EQ(combo_index(0, 13), 78);
}

TEST_F(HandTablesTest, HandClasses) {
    auto class_of_protocol_hand = [](int p) {
        int combo = g_protocol_to_combo[p];
        for (int k = 0; k < kHandClassCount; ++k) {
            for (u16 c : g_hand_class_combos[k]) {
                if (c == combo) return k;
            }
        }
        return -1;
    };
    EXPECT_EQ(class_of_protocol_hand(0), 0);
    EXPECT_EQ(class_of_protocol_hand(1325), 168);
    EXPECT_EQ(class_of_protocol_hand(1322), 155);
    EXPECT_EQ(class_of_protocol_hand(6), 1);
    EXPECT_EQ(class_of_protocol_hand(7), 13);

    std::set<int> seen;
    for (int k = 0; k < kHandClassCount; ++k) {
        int row = k / 13;
        int column = k % 13;
        std::size_t expected = row == column ? 6 : row < column ? 4 : 12;
        ASSERT_EQ(g_hand_class_combos[k].size(), expected) << k;
        int previous_protocol = -1;
        for (u16 combo : g_hand_class_combos[k]) {
            seen.insert(combo);
            int p = g_combo_to_protocol[combo];
            EXPECT_GT(p, previous_protocol);  // ascending protocol order
            previous_protocol = p;
            u64 mask = g_protocol_mask[p];
            int lo = __builtin_ctzll(mask);
            int hi = 63 - __builtin_clzll(mask);
            bool suited = lo / 13 == hi / 13;
            int high_rank = std::max(lo % 13, hi % 13);
            int low_rank = std::min(lo % 13, hi % 13);
            if (row == column) EXPECT_EQ(high_rank, row);
            if (row == column) EXPECT_EQ(low_rank, row);
            if (row < column) EXPECT_TRUE(suited && high_rank == column && low_rank == row);
            if (row > column) EXPECT_TRUE(!suited && high_rank == row && low_rank == column);
        }
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kHandCount));
}

TEST_F(HandTablesTest, InitialisingTwiceKeepsTheClassLists) {
    init_hand_tables();
    std::size_t total = 0;
    for (const auto& list : g_hand_class_combos) total += list.size();
    EXPECT_EQ(total, static_cast<std::size_t>(kHandCount));
}

TEST(CardTextTest, ParseAndPrint) {
    EXPECT_EQ(parse_card("2c"), 0);
    EXPECT_EQ(parse_card("Ah"), 13 * 2 + 12);
    EXPECT_EQ(parse_card("as"), 51);
    EXPECT_EQ(parse_card("TD"), 13 + 8);
    EXPECT_EQ(parse_card("1c"), -1);
    EXPECT_EQ(parse_card("Ax"), -1);
    EXPECT_EQ(parse_card("A"), -1);
    EXPECT_EQ(parse_card("Ahh"), -1);
    EXPECT_EQ(parse_card(std::string("A\0", 2)), -1);
    for (int c = 0; c < 52; ++c) EXPECT_EQ(parse_card(card_text(c)), c);
    EXPECT_EQ(card_text(13 * 2 + 12), "Ah");
    EXPECT_EQ(card_text(52), "");
}

}  // namespace
