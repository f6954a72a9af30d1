#include "queries/value_listing.h"

#include <string>

#include "cards/hand_tables.h"
#include "queries/hand_row.h"
#include "shell/output.h"

namespace {

// The protocol hand table holds 4 characters per hand and a blank.
constexpr int kHandTextWidth = 4;
constexpr int kHandTextStride = 5;
constexpr const char* kListingFormat = "%.2f";

}  // namespace

void print_value_listing(const std::vector<i32>& order, const f64* first, const f64* second) {
    for (const i32 h : order) {
        const int combo = g_protocol_to_combo[h];
        const std::string hand(g_hand_text + kHandTextStride * h, kHandTextWidth);
        out_text(hand + ": " + number_text(first[combo], kListingFormat) + "; " +
                 number_text(second[combo], kListingFormat) + "\n");
    }
}
