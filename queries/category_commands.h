// The hand-category commands: `show_category_names` lists the made-hand and
// draw category names, `show_categories` the categories of every hand on a
// board typed with the command (3 to 5 cards). Neither needs a tree or
// stores anything.
#pragma once

#include "shell/tokenizer.h"

void cmd_show_category_names(const Tokens& tokens);
void cmd_show_categories(const Tokens& tokens);
