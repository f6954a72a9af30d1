// The capture step of the node visit: after a record has been visited in a
// capture walk (pass mode kPassCapture, phase 1 or 2), the values of the one
// record that matches the tree's capture request (node, turn index and river
// index) are stored into the request as the per-hand pair of an
// expected-value query. `visit_node` calls it after every visit.
#pragma once

struct NodeWorkRecord;

void capture_step(const NodeWorkRecord& record);
