// The river blocks of a flop tree's splits around the turn items: every row
// of a river store that a pass reads or writes lies in a block that the
// chance node above it opened for the item, the strategy sums take part only
// once they count, and update passes write back what they changed while
// evaluation passes write back nothing. A compressed river store relies on
// this protocol; the stores here record it around the uncompressed kinds.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "solver_test_support.h"

namespace {

constexpr f64 kPot = 100.0;

// Each street: OOP bets half the pot or checks; IP calls or folds a bet and
// checks behind a check; the river ends in a showdown.
void street(RecordList& list, i32 parent, u32 s, f64 half);

void close_street(RecordList& list, i32 parent, u32 s, f64 half) {
    if (s == kStreetRiver) {
        list.showdown(parent, half);
        return;
    }
    street(list, parent, s + 1, half);
}

void street(RecordList& list, i32 parent, u32 s, f64 half) {
    const i32 oop = list.decision(parent, 0, s);
    const i32 facing_bet = list.decision(oop, 1, s);
    close_street(list, facing_bet, s, half * 2);
    list.fold(facing_bet, half);
    const i32 checked = list.decision(oop, 1, s);
    close_street(list, checked, s, half);
}

RecordList flop_lines() {
    RecordList list;
    street(list, -1, kStreetFlop, kPot / 2);
    return list;
}

// A river store that notes which blocks are open and counts every row access
// outside them, every second open of an open block and every write-back of a
// block that was not opened.
class BlockCheckingStore : public NodeDataBase {
public:
    explicit BlockCheckingStore(std::unique_ptr<NodeDataBase> inner) : inner_(std::move(inner)) {}

    bool allocate() override { return inner_->allocate(); }
    void average_strategy(std::vector<DoubleArray>& out, i32 turn, i32 river,
                          std::span<const f32> defaults) override {
        note_access(turn);
        inner_->average_strategy(out, turn, river, defaults);
    }
    bool store_row(i32 turn, i32 river, i32 action, const DoubleArray& values) override {
        note_access(turn);
        return inner_->store_row(turn, river, action, values);
    }
    void update_regrets(i32 turn, i32 river, const DoubleArray& node_values,
                        const std::vector<DoubleArray>& action_values, u64 reserved,
                        const std::vector<i16>* tie_groups, f64 scale) override {
        note_access(turn);
        inner_->update_regrets(turn, river, node_values, action_values, reserved, tie_groups,
                               scale);
    }
    void accumulate_strategy(i32 turn, i32 river, const std::vector<DoubleArray>& strategy,
                             const DoubleArray& reach, f64 weight) override {
        note_access(turn);
        inner_->accumulate_strategy(turn, river, strategy, reach, weight);
    }
    i64 value_count(i32 block) const override { return inner_->value_count(block); }
    BlockArena* open_block(BlockArena* shared, i32 block, i64 count) override {
        std::lock_guard lock(mutex_);
        if (++open_[block] != 1) ++g_faults;
        ++opens;
        return inner_->open_block(shared, block, count);
    }
    // The close walk visits every river node, opened or not; only an opened
    // block can have anything to write back.
    BlockArena* close_block(BlockArena* shared, i32 block, bool write_back) override {
        std::lock_guard lock(mutex_);
        int& depth = open_[block];
        if (depth == 0 && write_back) ++g_faults;
        if (depth > 0) --depth;
        if (write_back) ++write_backs;
        return inner_->close_block(shared, block, write_back);
    }
    BlockEntry& entry(i32 turn, i32 river) override {
        note_access(turn);
        return inner_->entry(turn, river);
    }

    bool all_closed() {
        std::lock_guard lock(mutex_);
        for (const auto& [block, depth] : open_) {
            if (depth != 0) return false;
        }
        return true;
    }

    // Accesses outside an open block and unbalanced opens or closes, over
    // every store of the test.
    static inline std::atomic<int> g_faults{0};
    std::atomic<int> opens{0};
    std::atomic<int> write_backs{0};

private:
    void note_access(i32 turn) {
        std::lock_guard lock(mutex_);
        if (open_[turn] != 1) ++g_faults;
    }

    std::unique_ptr<NodeDataBase> inner_;
    std::mutex mutex_;
    std::map<i32, int> open_;
};

struct WrappedNode {
    const TreeNode* node;
    BlockCheckingStore* regrets;
    BlockCheckingStore* sums;
};

class SplitBlocks : public SolverTest {
protected:
    void SetUp() override {
        SolverTest::SetUp();
        BlockCheckingStore::g_faults = 0;
        const std::vector<const char*> board = {"Ks", "Qd", "7h"};
        const u64 dead = board_mask(board);
        tree_ = &build(flop_lines(), board, ranks_range({"77", "KQ", "65"}, dead),
                       ranks_range({"AK", "99", "87"}, dead), 1);
        for (TreeNode& node : tree_->nodes) {
            if (!node.is_decision() || node.street != kStreetRiver) continue;
            node.regrets = std::make_unique<BlockCheckingStore>(std::move(node.regrets));
            node.strategy_sums =
                std::make_unique<BlockCheckingStore>(std::move(node.strategy_sums));
            wrapped_.push_back({&node, static_cast<BlockCheckingStore*>(node.regrets.get()),
                                static_cast<BlockCheckingStore*>(node.strategy_sums.get())});
        }
    }

    int total(BlockCheckingStore* WrappedNode::*store, std::atomic<int> BlockCheckingStore::*count,
              u32 player) const {
        int sum = 0;
        for (const WrappedNode& w : wrapped_) {
            if (w.node->player == player) sum += (w.*store->*count).load();
        }
        return sum;
    }

    bool all_closed() const {
        for (const WrappedNode& w : wrapped_) {
            if (!w.regrets->all_closed() || !w.sums->all_closed()) return false;
        }
        return true;
    }

    Tree* tree_ = nullptr;
    std::vector<WrappedNode> wrapped_;
};

TEST_F(SplitBlocks, PassesTouchRiverRowsOnlyInsideOpenBlocks) {
    ASSERT_GE(wrapped_.size(), 2u);
    using S = BlockCheckingStore;
    constexpr auto regrets = &WrappedNode::regrets;
    constexpr auto sums = &WrappedNode::sums;

    // Before averaging begins the strategy sums stay closed; each update pass
    // writes back the regrets of the traverser's river nodes.
    solver_iteration(*tree_);
    solver_iteration(*tree_);
    EXPECT_EQ(S::g_faults.load(), 0);
    EXPECT_TRUE(all_closed());
    for (u32 player = 0; player < 2; ++player) {
        EXPECT_GT(total(regrets, &S::opens, player), 0) << player;
        EXPECT_GT(total(regrets, &S::write_backs, player), 0) << player;
        EXPECT_EQ(total(sums, &S::opens, player), 0) << player;
    }

    // Once the sums count, they are opened too and the opponent's are
    // written back.
    tree_->iteration = 100;
    solver_iteration(*tree_);
    EXPECT_EQ(S::g_faults.load(), 0);
    EXPECT_TRUE(all_closed());
    for (u32 player = 0; player < 2; ++player) {
        EXPECT_GT(total(sums, &S::opens, player), 0) << player;
        EXPECT_GT(total(sums, &S::write_backs, player), 0) << player;
    }

    // Evaluation passes read both stores and write nothing back.
    int written[2][2];
    for (u32 player = 0; player < 2; ++player) {
        written[player][0] = total(regrets, &S::write_backs, player);
        written[player][1] = total(sums, &S::write_backs, player);
    }
    const int sum_opens = total(sums, &S::opens, 0) + total(sums, &S::opens, 1);
    measure_tree(*tree_);
    EXPECT_EQ(S::g_faults.load(), 0);
    EXPECT_TRUE(all_closed());
    EXPECT_GT(total(sums, &S::opens, 0) + total(sums, &S::opens, 1), sum_opens);
    for (u32 player = 0; player < 2; ++player) {
        EXPECT_EQ(total(regrets, &S::write_backs, player), written[player][0]) << player;
        EXPECT_EQ(total(sums, &S::write_backs, player), written[player][1]) << player;
    }
}

}  // namespace
