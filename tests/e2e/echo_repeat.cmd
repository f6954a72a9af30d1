echo hello world
echo "100% sure %s %n %d"
echo #x
echo "#x y"
echo "x #y"
echo %%
repeat 3 a b
repeat 0 x
repeat 100000 x
repeat -1 x
repeat 1 "%d %s" %n
repeat 2 #x
repeat 2 "#x" y
repeat 2 x #y
repeat 99999 #accepted
repeat 1   spaced    words  
repeat 2x "a  b"
