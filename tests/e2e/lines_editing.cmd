# remove_line answers ok only for a line that exists, so it probes the shape.
# Worked example: OOP checks, IP bets 50, OOP raises to 150, IP calls.
add_line 0 50 150 150
add_line 0 50 150 150
remove_line 0 0
remove_line 0 50 0
remove_line 0 50 150 0
remove_line 0 50 50
remove_line 0 50 150 150
remove_line 0 50 150 150
remove_line 0 50 150
remove_line 0 50 150
remove_line 0 50
remove_line 0
remove_line 0
# Automatic responses that were removed do not come back.
clear_lines
add_line 0 50
remove_line 0 50 0
add_line 0 50
remove_line 0 50 0
remove_line 0 50 50
# force_line keeps only its own line, with the responses to its last bet.
clear_lines
add_line 0 100
add_line 40
force_line 0 50
remove_line 40
remove_line 0 100
remove_line 0 0
remove_line 0 50 0
remove_line 0 50 50
# Check, check closes the flop; the turn goes on from there.
free_schematic_tree
add_line 0 0
add_line 0 0 0 0
remove_line 0 0 0 0
remove_line 0 0 0 0
remove_line 0 0 0
remove_line 0 0
# Sibling bet sizes; fractional amounts and the leading-number rule.
clear_lines
add_line 0 75
add_line 0 25
remove_line 0 75 -1
remove_line 0 25 0
remove_line 0 70
add_line 0.5 1.5 1.5
remove_line 0.5 1.5x 1.5
remove_line 0.5x 1.5 0
remove_line 0.5 0
# Nothing to add, nothing to remove.
add_line
remove_line
force_line
clear_lines
remove_line 0
