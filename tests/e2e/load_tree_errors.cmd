# load_tree on files that are no tree archives: one error line each, and no
# tree appears.
load_tree missing.bin
load_tree load_tree_errors.cmd
load_tree load_tree_errors.version.txt
load_tree load_tree_errors.short.txt
load_tree .
load_tree
load_tree a b
is_tree_present
