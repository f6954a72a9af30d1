// Block walks and node work records: which river blocks the walks open and
// write back for each pass mode, averaging mode and iteration, the order in
// which the players' arenas are threaded, the value totals, and the reach
// records that `allocate_node_work_records` carries to the first nodes of a
// street, checked against reaches multiplied out by hand.
#include "storage/block_walks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "solver/solve_reset.h"
#include "storage/node_data.h"
#include "storage/plain_node_data.h"
#include "tree_test_support.h"

namespace {

// Records every block call; a store answers with its own address as the
// arena, so that the threading of arenas shows.
struct BlockLog {
    struct Call {
        const void* store;
        bool open;
        const void* arena_in;
        i32 block;
        i64 count;
        bool write_back;
    };
    std::vector<Call> calls;
};

class FakeStore final : public NodeDataBase {
public:
    FakeStore(BlockLog& log, i64 values) : log_(log), values_(values) {}
    bool allocate() override { return true; }
    void average_strategy(std::vector<DoubleArray>&, i32, i32, std::span<const f32>) override {}
    bool store_row(i32, i32, i32, const DoubleArray&) override { return false; }
    void update_regrets(i32, i32, const DoubleArray&, const std::vector<DoubleArray>&, u64,
                        const std::vector<i16>*, f64) override {}
    void accumulate_strategy(i32, i32, const std::vector<DoubleArray>&, const DoubleArray&,
                             f64) override {}
    i64 value_count(i32) const override { return values_; }
    BlockArena* open_block(BlockArena* shared, i32 block, i64 count) override {
        log_.calls.push_back({this, true, shared, block, count, false});
        return reinterpret_cast<BlockArena*>(this);
    }
    BlockArena* close_block(BlockArena* shared, i32 block, bool write_back) override {
        log_.calls.push_back({this, false, shared, block, 0, write_back});
        return reinterpret_cast<BlockArena*>(this);
    }
    BlockEntry& entry(i32, i32) override { return entry_; }

private:
    BlockLog& log_;
    i64 values_;
    BlockEntry entry_;
};

// Flop root; the call of the flop bet opens the turn (OOP), whose check
// opens the river: an IP decision, then an OOP decision below its check.
RecordList river_pair() {
    RecordList list;
    const i32 root = list.decision(-1, 0, kStreetFlop);              // 0
    const i32 bet = list.decision(root, 1, kStreetFlop);             // 1
    const i32 turn = list.decision(bet, 0, kStreetTurn);             // 2
    const i32 river_ip = list.decision(turn, 1, kStreetRiver);       // 3
    const i32 river_oop = list.decision(river_ip, 0, kStreetRiver);  // 4
    list.showdown(river_oop, 15.0);                                  // 5
    list.fold(river_oop, 5.0);                                       // 6
    list.showdown(river_ip, 15.0);                                   // 7
    list.showdown(turn, 15.0);                                       // 8
    list.fold(bet, 5.0);                                             // 9
    list.showdown(root, 5.0);                                        // 10
    return list;
}

class BlockWalkTest : public TreeTest {
protected:
    void SetUp() override {
        const std::vector<f64> range =
            class_range({0, 14, 28, 42, 56, 70, 84, 98, 112, 126, 140, 154, 168});
        create_tree(spec_for(river_pair(), {"Qs", "Jh", "2h"}, range, range, 1));
        tree_ = g_tree.get();
        for (u32 i : {3u, 4u}) {
            TreeNode& node = tree_->nodes[i];
            node.regrets = std::make_unique<FakeStore>(log_, 100 + i);
            node.strategy_sums = std::make_unique<FakeStore>(log_, 200 + i);
        }
        record_.tree = tree_;
        record_.node = &tree_->nodes[2];
        record_.turn = 5;
    }

    const void* regrets(u32 i) const { return tree_->nodes[i].regrets.get(); }
    const void* sums(u32 i) const { return tree_->nodes[i].strategy_sums.get(); }

    void walk(BlockStore store, bool force) {
        BlockArena* arenas[2] = {nullptr, nullptr};
        u64 totals[2] = {0, 0};
        walk_count_values(record_, store, totals);
        walk_open_blocks(record_, arenas, store, totals, force);
        walk_close_blocks(record_, arenas, store, force);
    }

    std::vector<const void*> opened() const {
        std::vector<const void*> out;
        for (const auto& c : log_.calls) {
            if (c.open) out.push_back(c.store);
        }
        return out;
    }
    std::vector<const void*> written() const {
        std::vector<const void*> out;
        for (const auto& c : log_.calls) {
            if (!c.open && c.write_back) out.push_back(c.store);
        }
        return out;
    }

    Tree* tree_ = nullptr;
    BlockLog log_;
    NodeWorkRecord record_;
};

TEST_F(BlockWalkTest, TotalsAddEachPlayersRiverValues) {
    u64 totals[2] = {0, 0};
    walk_count_values(record_, BlockStore::regrets, totals);
    EXPECT_EQ(totals[0], 104u);
    EXPECT_EQ(totals[1], 103u);
    walk_count_values(record_, BlockStore::strategy_sums, totals);
    EXPECT_EQ(totals[0], 104u + 204u);

    // Below the fold of the flop bet there is no river decision.
    NodeWorkRecord fold = {};
    fold.tree = tree_;
    fold.node = &tree_->nodes[9];
    u64 none[2] = {0, 0};
    walk_count_values(fold, BlockStore::regrets, none);
    EXPECT_EQ(none[0] + none[1], 0u);
}

TEST_F(BlockWalkTest, RegretBlocksOpenAlwaysAndWriteBackForTheTraverser) {
    tree_->pass_mode = kPassUpdate;
    tree_->traverser = 0;
    walk(BlockStore::regrets, false);
    EXPECT_EQ(opened(), (std::vector<const void*>{regrets(3), regrets(4)}));
    EXPECT_EQ(written(), (std::vector<const void*>{regrets(4)}));
    ASSERT_EQ(log_.calls.size(), 4u);
    // Each player's first node starts its arena; the totals are per player.
    EXPECT_EQ(log_.calls[0].arena_in, nullptr);
    EXPECT_EQ(log_.calls[0].count, 103);
    EXPECT_EQ(log_.calls[1].arena_in, nullptr);
    EXPECT_EQ(log_.calls[1].count, 104);
    EXPECT_EQ(log_.calls[0].block, 5);
    EXPECT_EQ(log_.calls[2].arena_in, regrets(3));
    EXPECT_EQ(log_.calls[3].arena_in, regrets(4));
}

TEST_F(BlockWalkTest, StrategyBlocksWaitForIteration61) {
    tree_->pass_mode = kPassUpdate;
    tree_->traverser = 1;
    tree_->iteration = 60;
    walk(BlockStore::strategy_sums, false);
    EXPECT_TRUE(opened().empty());
    EXPECT_TRUE(written().empty());
    // The close walk still visits every river node.
    EXPECT_EQ(log_.calls.size(), 2u);

    log_.calls.clear();
    tree_->iteration = 61;
    walk(BlockStore::strategy_sums, false);
    EXPECT_EQ(opened(), (std::vector<const void*>{sums(4)}));
    EXPECT_EQ(written(), (std::vector<const void*>{sums(4)}));

    log_.calls.clear();
    tree_->pass_mode = kPassEvaluate;
    walk(BlockStore::strategy_sums, false);
    EXPECT_EQ(opened(), (std::vector<const void*>{sums(3), sums(4)}));
    EXPECT_TRUE(written().empty());
}

TEST_F(BlockWalkTest, ForceOpensAndWritesEveryBlock) {
    tree_->pass_mode = kPassEvaluate;
    tree_->iteration = 0;
    walk(BlockStore::strategy_sums, true);
    EXPECT_EQ(opened(), (std::vector<const void*>{sums(3), sums(4)}));
    EXPECT_EQ(written(), (std::vector<const void*>{sums(3), sums(4)}));
}

TEST_F(BlockWalkTest, UncompressedStoresLeaveTheArenasEmpty) {
    const u32 modes[2] = {0, 0};
    ASSERT_TRUE(reset_solve(*tree_, modes));
    BlockArena* arenas[2] = {nullptr, nullptr};
    u64 totals[2] = {0, 0};
    walk_count_values(record_, BlockStore::regrets, totals);
    EXPECT_GT(totals[0], 0u);
    walk_open_blocks(record_, arenas, BlockStore::regrets, totals, true);
    walk_close_blocks(record_, arenas, BlockStore::regrets, true);
    EXPECT_EQ(arenas[0], nullptr);
    EXPECT_EQ(arenas[1], nullptr);
}

DoubleArray filled(i32 n, f64 value) {
    DoubleArray a;
    a.resize(n);
    for (i32 i = 0; i < n; ++i) a.data[i] = value;
    return a;
}

class WorkRecordTest : public TreeTest {
protected:
    void SetUp() override {
        const std::vector<f64> range =
            class_range({0, 14, 28, 42, 56, 70, 84, 98, 112, 126, 140, 154, 168});
        create_tree(spec_for(river_pair(), {"Qs", "Jh", "2h"}, range, range, 1));
        tree_ = g_tree.get();
        const u32 modes[2] = {0, 0};
        ASSERT_TRUE(reset_solve(*tree_, modes));
        for (TreeNode& node : tree_->nodes) {
            if (!node.regrets) continue;
            ASSERT_TRUE(node.regrets->allocate());
            ASSERT_TRUE(node.strategy_sums->allocate());
        }
        hands_ = static_cast<i32>(tree_->street_data->hands.size());
        root_.tree = tree_;
        root_.node = &tree_->nodes[0];
        root_.opponent_reach = filled(hands_, 0.5);
        root_.second_reach = filled(hands_, 2.0);
    }

    Tree* tree_ = nullptr;
    i32 hands_ = 0;
    NodeWorkRecord root_;
};

TEST_F(WorkRecordTest, TurnRecordsComeBeforeTheTurnIsDealt) {
    NodeWorkRecords out;
    allocate_node_work_records(root_, kStreetTurn, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0]->node, &tree_->nodes[2]);
    EXPECT_EQ(out[0]->turn, -1);
    EXPECT_EQ(out[0]->river, -1);
    // Uniform current strategies: OOP's bet has weight 1/2, IP's call 1/2.
    ASSERT_EQ(out[0]->second_reach.count, hands_);
    ASSERT_EQ(out[0]->opponent_reach.count, hands_);
    for (i32 h = 0; h < hands_; ++h) {
        EXPECT_DOUBLE_EQ(out[0]->second_reach.data[h], 2.0 * 0.5);
        EXPECT_DOUBLE_EQ(out[0]->opponent_reach.data[h], 0.5 * 0.5);
    }
    EXPECT_EQ(out[0]->values.data, nullptr);
    // The root record got its arrays back.
    EXPECT_EQ(root_.opponent_reach.count, hands_);
    EXPECT_DOUBLE_EQ(root_.second_reach.data[0], 2.0);
}

TEST_F(WorkRecordTest, RiverRecordsComeOncePerTurnBoard) {
    NodeWorkRecords out;
    allocate_node_work_records(root_, kStreetRiver, out);
    const StreetData& street = *tree_->street_data;
    ASSERT_EQ(out.size(), street.boards.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        const NodeWorkRecord& r = *out[i];
        EXPECT_EQ(r.node, &tree_->nodes[3]);
        EXPECT_EQ(r.turn, static_cast<i32>(i));
        EXPECT_EQ(r.river, -1);
        const i32 board_hands = static_cast<i32>(street.boards[i].hands.size());
        ASSERT_EQ(r.second_reach.count, board_hands);
        // OOP: bet 1/2, then the turn's check 1/2; IP: the call 1/2.
        for (i32 h = 0; h < board_hands; ++h) {
            EXPECT_DOUBLE_EQ(r.second_reach.data[h], 2.0 * 0.25);
            EXPECT_DOUBLE_EQ(r.opponent_reach.data[h], 0.5 * 0.5);
        }
    }
}

TEST_F(WorkRecordTest, AverageStrategyRulesWhereItIsDefined) {
    tree_->iteration = 61;
    TreeNode& root = tree_->nodes[0];
    // Current strategy: all regret on the check; average: hand 0 all bet.
    DoubleArray zeros = filled(hands_, 0.0);
    DoubleArray ones = filled(hands_, 1.0);
    ASSERT_TRUE(root.regrets->store_row(-1, -1, 0, zeros));
    ASSERT_TRUE(root.regrets->store_row(-1, -1, 1, ones));
    DoubleArray sums = filled(hands_, 0.0);
    sums.data[0] = 3.0;
    ASSERT_TRUE(root.strategy_sums->store_row(-1, -1, 0, sums));

    NodeWorkRecords out;
    allocate_node_work_records(root_, kStreetTurn, out);
    ASSERT_EQ(out.size(), 1u);
    // The division runs on the kernels' refined reciprocal.
    EXPECT_NEAR(out[0]->second_reach.data[0], 2.0, 1e-6);
    for (i32 h = 1; h < hands_; ++h) EXPECT_DOUBLE_EQ(out[0]->second_reach.data[h], 0.0);
}

TEST_F(WorkRecordTest, ZeroReachStaysWithoutData) {
    root_.second_reach.release();
    root_.second_reach.count = hands_;
    NodeWorkRecords out;
    allocate_node_work_records(root_, kStreetRiver, out);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out[0]->second_reach.data, nullptr);
    EXPECT_EQ(out[0]->second_reach.count,
              static_cast<i32>(tree_->street_data->boards[0].hands.size()));
    EXPECT_NE(out[0]->opponent_reach.data, nullptr);
}

}  // namespace
