echo before
exit
echo after
