is_ready
set_eff_stack 100
set_eff_stack abc
is_tree_present
show_settings
set_isomorphism 0 0
set_isomorphism 00 off
ignore_mem_check on
ignore_mem_check off
ignore_mem_check ON
set_threads 0
set_threads -3
set_threads 4
set_threads 5000
ai6_set_threads 2
set_scheduler -1
set_scheduler 3
set_scheduler 4294967298
set_scheduler 2
set_scheduler 1x
set_scheduler 0
ai6_set_compression 7
ai6_set_compression -2
ai6_set_compression high
ai6_set_compression Auto
ai6_set_compression auto
ai6_set_compression none
ai6_set_compression low
ai6_set_compression medium
ai6_set_compression max
ai6_set_compression 3
ai6_get_actual_compression
set_rake 1 0
set_rake 0 1000000
sleep 0
sleep -5
sleep 20
is_ready
