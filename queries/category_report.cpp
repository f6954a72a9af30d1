#include "queries/category_report.h"

#include <cstdio>
#include <string>
#include <vector>

#include "cards/hand_categories.h"
#include "cards/hand_tables.h"
#include "shell/output.h"

namespace {

void print_name_line(const char* const* names, int count) {
    for (int i = 0; i < count; ++i) out_printf("%s ", names[i]);
    out_printf("\n");
}

// One row of 1326 "%d " values printed as one text.
void print_value_row(const std::vector<i32>& values, i32 divisor) {
    std::string row;
    row.reserve(4 * values.size() + 1);
    char number[16];
    for (i32 value : values) {
        int length = std::snprintf(number, sizeof number, "%d ", value / divisor);
        row.append(number, static_cast<std::size_t>(length));
    }
    row.push_back('\n');
    out_text(row);
}

}  // namespace

void print_category_names() {
    print_name_line(g_made_hand_names, kMadeCategoryCount);
    print_name_line(g_draw_names, kDrawCategoryCount);
    out_printf("END\n");
}

void print_hand_categories(const ClassifierBoard& board) {
    std::vector<i32> made(kHandCount, 0);
    std::vector<i32> draws(kHandCount, 0);
    if (!classify_made_hands(made.data(), board)) {
        out_printf("ERROR: bug in hand classifier, please report!\n");
        exit_after_pending_output(1);
    }
    classify_draws(draws.data(), board);
    print_value_row(made, kMadeValueStep);
    print_value_row(draws, 1);
    out_printf("END\n");
}
