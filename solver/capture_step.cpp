#include "solver/capture_step.h"

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "solver/array_kernels.h"
#include "solver/capture_request.h"
#include "storage/block_walks.h"
#include "tree/tree.h"

namespace {

// Runouts still to come for one matchup: 44 river cards after a turn,
// 45 x 44 turn and river cards after a flop.
constexpr f64 kRiverCardsToCome = 44.0;
constexpr f64 kRunoutsToCome = 1980.0;

bool matches(const NodeWorkRecord& record, const EvQueryContext& request) {
    return record.node == request.node && record.turn == request.turn &&
           record.river == request.river;
}

// Hand list and runouts to come of a record: the runout's list after the
// river card, the turn board's after the turn card, else the flop list.
struct CaptureLevel {
    const u64* hands = nullptr;
    f64 factor = kRunoutsToCome;
};

CaptureLevel level_of(const NodeWorkRecord& record) {
    const StreetData& street = *record.tree->street_data;
    CaptureLevel level{street.hands.data(), kRunoutsToCome};
    if (record.turn < 0) return level;
    const BoardRecord& board = street.boards[static_cast<std::size_t>(record.turn)];
    level = {board.hands.data(), kRiverCardsToCome};
    if (record.river < 0) return level;
    return {board.runouts[static_cast<std::size_t>(record.river)].hands.data(), 1.0};
}

// The requested node with its own street's card dealt: a turn node with a
// turn board, a river node with a runout.
bool dealt_split_of_node(const NodeWorkRecord& record, const EvQueryContext& request) {
    if (record.node != request.node) return false;
    const u32 street = record.node->street;
    if (street == kStreetTurn) return record.turn >= 0;
    return street == kStreetRiver && record.river >= 0;
}

void capture_every_split(const NodeWorkRecord& record, EvQueryContext& request) {
    if (!dealt_split_of_node(record, request)) return;
    const CaptureLevel level = level_of(record);
    EvQueryContext::SplitPair pair{std::make_unique<DoubleArray>(),
                                   std::make_unique<DoubleArray>()};
    capture_node_value(*pair.values, *pair.weights, record.values, record.opponent_reach,
                       record.second_reach, level.hands, level.factor);
    std::lock_guard lock(request.lock);
    request.per_split[{record.river, record.turn}] = std::move(pair);
}

}  // namespace

void capture_step(const NodeWorkRecord& record) {
    const Tree& tree = *record.tree;
    EvQueryContext* request = tree.capture_request;
    if (tree.pass_mode != kPassCapture || !request || tree.pass_phase == 0) return;
    if (request->per_split_flag) return capture_every_split(record, *request);
    if (!matches(record, *request)) return;
    const CaptureLevel level = level_of(record);
    capture_node_value(request->values, request->weights, record.values, record.opponent_reach,
                       record.second_reach, level.hands, level.factor);
}
