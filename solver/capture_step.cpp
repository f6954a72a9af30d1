#include "solver/capture_step.h"

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

}  // namespace

void capture_step(const NodeWorkRecord& record) {
    const Tree& tree = *record.tree;
    EvQueryContext* request = tree.capture_request;
    if (tree.pass_mode != kPassCapture || !request || tree.pass_phase == 0) return;
    if (!matches(record, *request)) return;
    const StreetData& street = *tree.street_data;
    const std::vector<u64>* hands = &street.hands;
    f64 factor = kRunoutsToCome;
    if (record.turn >= 0) {
        const BoardRecord& board = street.boards[static_cast<std::size_t>(record.turn)];
        hands = &board.hands;
        factor = kRiverCardsToCome;
        if (record.river >= 0) {
            hands = &board.runouts[static_cast<std::size_t>(record.river)].hands;
            factor = 1.0;
        }
    }
    capture_node_value(request->values, request->weights, record.values, record.opponent_reach,
                       record.second_reach, hands->data(), factor);
}
