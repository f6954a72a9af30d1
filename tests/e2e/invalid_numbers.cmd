sleep 10abc
sleep abc
sleep 99999999999
sleep 2147483648
sleep -2147483649
sleep -2147483648
sleep " 5"
sleep +3
sleep 0x10
sleep -
set_scheduler nan
set_rake nan 0
set_rake NaN 0
set_rake inf 0
set_rake -infinity 0
set_rake 0.5 inf
set_rake 1e999 0
set_rake 1e-999 0
set_rake 0.5 1e-310
set_rake 0.5 -1e-999
set_rake 0 0e-999
set_rake 0x1p-2 5
set_rake 0.5x 1
set_rake x 1
set_rake .5 1e300
set_rake 1.01 0
set_rake 1 0
set_rake 0.5 -1
set_rake -0.1 abc
set_rake 0.5 abc
set_pot 0 0 abc
set_pot 1 2 3.7
show_tree_params
set_pot 0 0 1e3
show_tree_params
set_pot 0 0 2147483648
set_pot x 0 50
show_tree_params
set_pot 0 0 100
repeat abc x
repeat 99999999999 x
repeat 2.9 x
ai6_set_compression Auto
ai6_set_compression 1e999
set_threads 4.5
set_threads abc
