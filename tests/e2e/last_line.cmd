echo first
echo not run without its newline