echo "before"
stdoutredi redirection.first.txt
is_tree_present
echo "in first"
stdoutback
echo "on console"
stdoutredi_append redirection.first.txt
echo "appended to first"
stdoutback
stdoutredi redirection.second.txt
echo "in second"
stdoutredi no_such_dir/x.txt
echo "still in second"
stdoutredi .
stdoutback
stdoutredi_append .
echo "console again"
stdoutredi redirection.third.txt
stdoutredi redirection.third.txt
echo "third after truncation"
stdoutback
stdoutback
