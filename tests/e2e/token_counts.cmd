set_threads
set_threads 4 5
is_ready x
load_script
skip_if_done a
set_pot 1 2
set_range OOP 1 2
echo
repeat 3
repeat
set_board
set_board Qs Jh
set_board Qs Jh 2h 3c 4c 5c
set_board bad cards here now and more
set_isomorphism 1
ignore_mem_check
stdoutback x
stdoutredi
stdoutredi_append a b
sleep
set_eff_stack
set_rake 0.1
show_tree_params now
show_hand_order x
ai6_set_compression
ai6_get_actual_compression 1
set_scheduler
show_settings x
is_tree_present x
solver_time x
show_memory x
ai6_get_instruction_set x
ai6_set_threads
