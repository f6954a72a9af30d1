echo before
exit now please
echo after
