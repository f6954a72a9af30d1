// Hand categories against the reference classifier of
// hand_category_reference.h on every hand of random flops, turns and rivers;
// exact per-category counts and single hands on fixed boards; the quirks the
// category rules keep on purpose; both processor variants.
#include "cards/hand_categories.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "cards/card_text.h"
#include "cards/eval_tables.h"
#include "cards/evaluator.h"
#include "cards/hand_category_kernels.h"
#include "cards/hand_tables.h"
#include "hand_category_reference.h"
#include "platform/cpu_features.h"

// The decision rows themselves, compiled here once more.
namespace made_rules {
#include "cards/eval_mask_impl.h"
#include "cards/made_hand_category_impl.h"
}  // namespace made_rules

namespace {

class HandCategories : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        init_eval_tables();
        init_hand_tables();
    }
};

ref::Cards cards_of(const std::string& text) {
    ref::Cards cards;
    for (std::size_t at = 0; at + 1 < text.size(); at += 2)
        cards.push_back(parse_card(text.substr(at, 2)));
    return cards;
}

// Classifier card number 51 - (4 x rank + suit), worked out here.
ClassifierBoard classifier_board(const ref::Cards& cards) {
    ClassifierBoard board{};
    board.count = static_cast<i32>(cards.size());
    for (std::size_t i = 0; i < cards.size(); ++i) {
        board.cards[i] = 51 - (4 * ref::rank_of(cards[i]) + ref::suit_of(cards[i]));
    }
    return board;
}

std::vector<i32> made_of(const ref::Cards& cards) {
    std::vector<i32> out(kHandCount, 12345);
    EXPECT_TRUE(classify_made_hands(out.data(), classifier_board(cards)));
    return out;
}

std::vector<i32> draws_of(const ref::Cards& cards) {
    std::vector<i32> out(kHandCount, 0);
    classify_draws(out.data(), classifier_board(cards));
    return out;
}

ref::Cards random_board(std::mt19937& rng, int count) {
    std::vector<int> deck(52);
    for (int i = 0; i < 52; ++i) deck[i] = i;
    std::shuffle(deck.begin(), deck.end(), rng);
    return ref::Cards(deck.begin(), deck.begin() + count);
}

std::string board_text(const ref::Cards& board) {
    std::string text;
    for (int c : board) text += card_text(c);
    return text;
}

void expect_made_like_reference(const ref::Cards& board) {
    const std::vector<ref::HandCards> hands = ref::protocol_hands();
    const std::vector<i32> made = made_of(board);
    for (int i = 0; i < kHandCount; ++i) {
        const int expected = ref::made(board, hands[i].first, hands[i].second);
        const i32 want = expected < 0 ? kDeadHand : kMadeValueStep * expected;
        ASSERT_EQ(made[i], want) << board_text(board) << " hand "
                                 << std::string(g_hand_text + 5 * i, 4);
    }
}

void expect_draws_like_reference(const ref::Cards& board) {
    const std::vector<ref::HandCards> hands = ref::protocol_hands();
    const std::vector<i32> draws = draws_of(board);
    for (int i = 0; i < kHandCount; ++i) {
        ASSERT_EQ(draws[i], ref::draw(board, hands[i].first, hands[i].second))
            << board_text(board) << " hand " << std::string(g_hand_text + 5 * i, 4);
    }
}

// The reference evaluator itself: on six and seven cards it must agree with
// the best of its own five-card values, so that the value layout it shares
// with the system is the one of the best five cards.
TEST_F(HandCategories, ReferenceValuesAreTheBestFiveCards) {
    std::mt19937 rng(7);
    for (int trial = 0; trial < 3000; ++trial) {
        const int n = 6 + trial % 2;
        const ref::Cards cards = random_board(rng, n);
        u32 best = 0;
        for (int skip_a = 0; skip_a < n; ++skip_a) {
            for (int skip_b = skip_a + (n == 7 ? 1 : 0); skip_b < n; ++skip_b) {
                ref::Cards five;
                for (int i = 0; i < n; ++i) {
                    if (i != skip_a && i != skip_b) five.push_back(cards[i]);
                }
                if (five.size() == 5) best = std::max(best, ref::value_of(five));
            }
        }
        ASSERT_EQ(ref::value_of(cards), best) << board_text(cards);
    }
}

TEST_F(HandCategories, MadeHandsMatchReferenceOnRandomBoards) {
    std::mt19937 rng(2024);
    for (int count = 3; count <= 5; ++count) {
        for (int trial = 0; trial < 100; ++trial)
            expect_made_like_reference(random_board(rng, count));
    }
}

TEST_F(HandCategories, DrawsMatchReferenceOnRandomFlopsAndTurns) {
    std::mt19937 rng(4048);
    for (int count = 3; count <= 4; ++count) {
        for (int trial = 0; trial < 40; ++trial)
            expect_draws_like_reference(random_board(rng, count));
    }
}

// Boards the random ones rarely give: monotone, paired, trips, quads, four
// to a straight, straights, flushes and full houses on the board.
TEST_F(HandCategories, MadeHandsAndDrawsMatchReferenceOnShapedBoards) {
    for (const char* text : {"AhKh2h", "7h6h5h", "KsKd7c", "7s7d7c", "5c4d3h", "AsKsQsJs",
                             "9h8h7h6h", "2c2d2h2s", "KsKd5c5d", "Tc9d8h7s", "Ac2d3h4s"}) {
        expect_made_like_reference(cards_of(text));
        expect_draws_like_reference(cards_of(text));
    }
    for (const char* text : {"7s7d7c2h2d", "2s2d2c7h7d", "5h6h7h8h9h", "AhKhQhJhTh", "AsKs8s5s2s",
                             "Tc9d8h7s6c", "KsKdKhKc2c", "AcAdKcKdQc", "2c3d4h5s9c"}) {
        expect_made_like_reference(cards_of(text));
    }
}

struct FixedBoard {
    const char* board;
    std::map<int, int> made;  // category index -> hands, dead hands at -1
    std::map<int, int> draws;
};

std::map<int, int> tally(const std::vector<i32>& values, i32 step) {
    std::map<int, int> counts;
    for (i32 v : values) ++counts[v < 0 ? -1 : v / step];
    return counts;
}

// Counts worked out apart from the system and checked by hand on the first
// boards: the dead hands are the 3 x 49 + 3, 4 x 48 + 6 and 5 x 47 + 10 that
// share a card with a flop, turn or river board.
TEST_F(HandCategories, ExactCountsOnFixedBoards) {
    const FixedBoard boards[] = {
        {"Ks7d2c",
         {{-1, 150},
          {0, 576},
          {2, 144},
          {4, 144},
          {5, 120},
          {7, 120},
          {6, 30},
          {9, 6},
          {10, 27},
          {12, 9}},
         {{-1, 150}, {0, 1176}}},
        {"KsKd7c",
         {{-1, 150},
          {0, 720},
          {2, 160},
          {4, 30},
          {5, 132},
          {6, 30},
          {9, 6},
          {11, 88},
          {15, 9},
          {17, 1}},
         {{-1, 150}, {0, 1176}}},
        {"9h8h2c",
         {{-1, 150},
          {0, 448},
          {1, 128},
          {2, 144},
          {4, 150},
          {5, 120},
          {7, 120},
          {9, 30},
          {10, 27},
          {12, 9}},
         {{-1, 150}, {0, 986}, {1, 90}, {2, 45}, {3, 46}, {4, 9}}},
        {"AhKh2h",
         {{-1, 150}, {0, 675}, {4, 180}, {5, 120}, {7, 120}, {10, 27}, {12, 9}, {14, 45}},
         {{-1, 150}, {0, 732}, {1, 54}, {3, 354}, {4, 36}}},
        {"9h8h2cKd",
         {{-1, 198},
          {0, 448},
          {2, 128},
          {3, 138},
          {4, 108},
          {5, 108},
          {7, 108},
          {6, 18},
          {9, 6},
          {10, 54},
          {12, 12}},
         {{-1, 198}, {0, 938}, {1, 90}, {2, 45}, {3, 46}, {4, 9}}},
        {"7s7d7c2h2d", {{-1, 245}, {0, 968}, {15, 66}, {17, 47}}, {{0, 1326}}},
        {"5h6h7h8h9h", {{-1, 245}, {0, 1035}, {18, 46}}, {{0, 1326}}},
    };
    for (const FixedBoard& fixed : boards) {
        const ref::Cards board = cards_of(fixed.board);
        EXPECT_EQ(tally(made_of(board), kMadeValueStep), fixed.made) << fixed.board;
        EXPECT_EQ(tally(draws_of(board), 1), fixed.draws) << fixed.board;
    }
}

int protocol_index(const std::string& hand) {
    const std::string text(g_hand_text);
    const std::size_t at = text.find(hand);
    EXPECT_NE(at, std::string::npos) << hand;
    return static_cast<int>(at / 5);
}

TEST_F(HandCategories, SingleHands) {
    const std::vector<i32> dry = made_of(cards_of("Ks7d2c"));
    EXPECT_EQ(dry[protocol_index("2d2c")], kDeadHand);
    EXPECT_EQ(draws_of(cards_of("Ks7d2c"))[protocol_index("2d2c")], kDeadHand);
    EXPECT_EQ(dry[protocol_index("2h2d")], 100 * kMadeSet);
    EXPECT_EQ(dry[protocol_index("AsAh")], 100 * kMadeOverpair);
    EXPECT_EQ(dry[protocol_index("AsKc")], 100 * kMadeTopPair);
    EXPECT_EQ(dry[protocol_index("Kh7h")], 100 * kMadeTwoPair);
    EXPECT_EQ(dry[protocol_index("AhQh")], 100 * kMadeAceHigh);
    EXPECT_EQ(dry[protocol_index("QsJs")], 100 * kMadeNothing);
    EXPECT_EQ(dry[protocol_index("QhQd")], 100 * kMadeUnderpair);
    EXPECT_EQ(dry[protocol_index("5h5d")], 100 * kMadeThirdPair);
    EXPECT_EQ(dry[protocol_index("7h6h")], 100 * kMadeSecondPair);
    EXPECT_EQ(dry[protocol_index("AhKh")], 100 * kMadeTopPair);

    const std::vector<i32> wet_made = made_of(cards_of("9h8h2c"));
    const std::vector<i32> wet = draws_of(cards_of("9h8h2c"));
    EXPECT_EQ(wet[protocol_index("JhTh")], kDrawCombo);
    EXPECT_EQ(wet[protocol_index("Tc7d")], kDrawEightOutStraight);
    EXPECT_EQ(wet[protocol_index("Jc7c")], kDrawFourOutStraight);
    EXPECT_EQ(wet[protocol_index("Ah3h")], kDrawFlush);
    EXPECT_EQ(wet_made[protocol_index("Ah3h")], 100 * kMadeAceHigh);
    EXPECT_EQ(wet_made[protocol_index("Kh3h")], 100 * kMadeKingHigh);
    EXPECT_EQ(wet_made[protocol_index("3s3d")], 100 * kMadeThirdPair);
    EXPECT_EQ(made_of(cards_of("Ks7d4c"))[protocol_index("3s3d")], 100 * kMadeLowPair);

    const std::vector<i32> full = made_of(cards_of("7s7d7c2h2d"));
    EXPECT_EQ(full[protocol_index("2s2c")], 100 * kMadeQuads);
    EXPECT_EQ(full[protocol_index("AsAh")], 100 * kMadeFullhouse);
    EXPECT_EQ(full[protocol_index("Ac2s")], 100 * kMadeNothing);
    EXPECT_EQ(full[protocol_index("Ac7h")], 100 * kMadeQuads);
}

// Kept on purpose: a made hand only counts for what it adds to the board.
TEST_F(HandCategories, IntendedQuirks) {
    // A flush on a board that alone is a flush is nothing, even the nut one.
    const std::vector<i32> flush_board = made_of(cards_of("Kh9h7h4h2h"));
    EXPECT_EQ(flush_board[protocol_index("AhQs")], 100 * kMadeNothing);
    EXPECT_EQ(std::count(flush_board.begin(), flush_board.end(), 100 * kMadeFlush), 0);
    // Pockets below both ranks of a paired flop are third pair; no low pair.
    const std::vector<i32> paired = made_of(cards_of("KsKd7c"));
    EXPECT_EQ(paired[protocol_index("3s3d")], 100 * kMadeThirdPair);
    EXPECT_EQ(std::count(paired.begin(), paired.end(), 100 * kMadeLowPair), 0);
    // Pockets under a double-paired turn add nothing.
    EXPECT_EQ(made_of(cards_of("KsKd5c5d"))[protocol_index("3s3d")], 100 * kMadeNothing);
    // A full house with higher trips than the board's full house is the top
    // one; no other board gives it.
    EXPECT_EQ(made_of(cards_of("2s2d2c7h7d"))[protocol_index("Ac7s")], 100 * kMadeTopFullhouse);
    // One to three straight outs are no draw: on this turn one of a
    // gutshot's four cards makes the board a flush.
    const ref::Cards turn = cards_of("Jh7h2h4h");
    const int hand = protocol_index("Ts9c");
    const ref::Outs outs = ref::outs(turn, parse_card("Ts"), parse_card("9c"));
    EXPECT_GE(outs.straight, 1);
    EXPECT_LE(outs.straight, 3);
    EXPECT_EQ(outs.flush, 0);
    EXPECT_EQ(draws_of(turn)[hand], kDrawNone);
}

// Over many boards: top pair with top kicker is never given, a top full
// house only where the board alone is a full house, and flush outs on a
// flop come in nines (a flush draw) or not at all.
TEST_F(HandCategories, InvariantsOverRandomBoards) {
    std::mt19937 rng(77);
    for (int trial = 0; trial < 300; ++trial) {
        const ref::Cards board = random_board(rng, 3 + trial % 3);
        const std::vector<i32> made = made_of(board);
        EXPECT_EQ(std::count(made.begin(), made.end(), 100 * kMadeTopPairTp), 0);
        if (ref::category_of(ref::value_of(board)) != 6) {
            EXPECT_EQ(std::count(made.begin(), made.end(), 100 * kMadeTopFullhouse), 0);
        }
        for (i32 v : made) {
            EXPECT_TRUE(v == kDeadHand || (v % 100 == 0 && v >= 0 && v <= 1800));
        }
    }
    const std::vector<ref::HandCards> hands = ref::protocol_hands();
    const ref::Cards flop = cards_of("Qh8h3d");
    for (const ref::HandCards& h : hands) {
        if (ref::holds(flop, h.first) || ref::holds(flop, h.second)) continue;
        const int flush = ref::outs(flop, h.first, h.second).flush;
        EXPECT_TRUE(flush == 0 || flush == 9);
    }
}

// A river board has no draws: the caller's zero-filled row stays as it is,
// dead hands included.
TEST_F(HandCategories, RiverBoardLeavesDrawsAlone) {
    std::vector<i32> out(kHandCount, 7);
    classify_draws(out.data(), classifier_board(cards_of("Ks7d2c9h3s")));
    EXPECT_EQ(std::count(out.begin(), out.end(), 7), kHandCount);
}

// No board of distinct cards reaches the decision table's trips row on a
// board that alone shows two pair (trips there make a full house); the row
// itself must answer "cannot place", which the report turns into the fatal
// exit. Values are made up: trips of kings against a two-pair board.
TEST_F(HandCategories, TripsOnATwoPairBoardCannotBePlaced) {
    const CategoryBoard board = prepare_category_board(classifier_board(cards_of("KsKd5c5d")));
    EXPECT_EQ(made_rules::made_category(board, 0x30b0500, 0x20b3000, 0, 1),
              made_rules::kUnplaceable);
    EXPECT_EQ(made_rules::made_category(board, 0x30b0500, 0x10b3000, 0, 1), kMadeTrips);
    // The kicker rule looks for the first nibble that the hand raises, not
    // the first that differs.
    EXPECT_EQ(made_rules::kicker_category(0x0050c00, 0x0090000), kMadeAceHigh);
    EXPECT_EQ(made_rules::kicker_category(0x009b000, 0x009b000), kMadeNothing);
}

TEST_F(HandCategories, ProcessorVariantsAgree) {
    if (!cpu_features().avx2_set) GTEST_SKIP() << "processor lacks the AVX2 set";
    std::mt19937 rng(31);
    for (int trial = 0; trial < 60; ++trial) {
        const CategoryBoard board =
            prepare_category_board(classifier_board(random_board(rng, 3 + trial % 3)));
        std::vector<i32> generic(kHandCount, 0), avx2(kHandCount, 0);
        EXPECT_TRUE(hand_category_kernels_generic().classify_made_hands(generic.data(), board));
        EXPECT_TRUE(hand_category_kernels_avx2().classify_made_hands(avx2.data(), board));
        EXPECT_EQ(generic, avx2);
        std::fill(generic.begin(), generic.end(), 0);
        std::fill(avx2.begin(), avx2.end(), 0);
        hand_category_kernels_generic().classify_draws(generic.data(), board);
        hand_category_kernels_avx2().classify_draws(avx2.data(), board);
        EXPECT_EQ(generic, avx2);
    }
}

}  // namespace
