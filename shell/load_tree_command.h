// `load_tree` (file path): replaces the solving state by one kept in a tree
// archive: board, pot, ranges and lines become the archive's, the game tree is
// built from them with the archive's isomorphism setting, and its settings,
// compression level and solver data are read. Archive files come from
// outside and are read as hostile: a damaged file gets one error line and
// never crashes the process or leaves a half-read tree in use.
//
// A file whose head, lines or settings are refused leaves every setting and
// the previous tree untouched; from the moment the node data is read the
// previous tree is gone (both would not fit in memory), and a failure there
// leaves no tree and the settings as they were.
#pragma once

#include "shell/tokenizer.h"

void cmd_load_tree(const Tokens& tokens);
