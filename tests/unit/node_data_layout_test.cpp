#include "tree/node_data_layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(NodeDataLayout, RowsArePaddedToFourValues) {
    // Two turn boards: runouts of 5 and 8 hands, and one of 3 hands.
    const NodeDataLayout layout = build_node_data_layout({{5, 8}, {3}}, 3);
    EXPECT_EQ(layout.actions, 3);
    EXPECT_EQ(layout.blocks, 2);
    EXPECT_EQ(layout.entries, 3);
    EXPECT_EQ(layout.values, (5 + 8 + 3) * 3);
    EXPECT_EQ(layout.padded_values, (8 + 8 + 4) * 3);

    EXPECT_EQ(layout.block_table()[0].first_entry, 0u);
    EXPECT_EQ(layout.block_table()[0].entry_count, 2u);
    EXPECT_EQ(layout.block_table()[1].first_entry, 2u);
    EXPECT_EQ(layout.block_table()[1].entry_count, 1u);

    EXPECT_EQ(layout.entry(0, 0).offset, 0u);
    EXPECT_EQ(layout.entry(0, 0).hands, 5u);
    EXPECT_EQ(layout.entry(0, 1).offset, 24u);
    EXPECT_EQ(layout.entry(0, 1).hands, 8u);
    EXPECT_EQ(layout.entry(1, 0).offset, 48u);
    EXPECT_EQ(layout.entry_index(1, 0), 2);

    EXPECT_EQ(layout.block_value_table()[0].offset, 0u);
    EXPECT_EQ(layout.block_value_table()[0].size, 48u);
    EXPECT_EQ(layout.block_value_table()[1].offset, 48u);
    EXPECT_EQ(layout.block_value_table()[1].size, 12u);
}

TEST(NodeDataLayout, TablesAreCacheLineAligned) {
    const NodeDataLayout layout = build_node_data_layout({{1}, {2}, {3}}, 1);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(layout.block_table()) % 64, 0u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(layout.entry_table()) % 64, 0u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(layout.block_value_table()) % 64, 0u);
}

TEST(NodeDataLayout, FullFlopTreeShape) {
    // 49 turn boards of 48 runouts, 1081 hands each (no card removal by range).
    const std::vector<std::vector<u32>> counts(49, std::vector<u32>(48, 1081));
    const NodeDataLayout layout = build_node_data_layout(counts, 2);
    EXPECT_EQ(layout.entries, 49 * 48);
    EXPECT_EQ(layout.values, 49 * 48 * 1081 * 2);
    EXPECT_EQ(layout.padded_values, 49 * 48 * 1084 * 2);
    EXPECT_EQ(layout.entry(48, 47).offset, static_cast<u32>((49 * 48 - 1) * 1084 * 2));
}

TEST(NodeDataLayout, RefusesTotalsBeyond32Bits) {
    const std::vector<std::vector<u32>> counts(49, std::vector<u32>(48, 1081));
    EXPECT_THROW(build_node_data_layout(counts, 1000), std::length_error);
}

}  // namespace
