echo "a  b"
echo ab"c d"e
echo ""
echo "unclosed quote  runs
echo	tab
   echo   spaced   
echo a	b

      
"echo" quoted_command
say "a b"c
echo "x"y
echo "first" "second"
