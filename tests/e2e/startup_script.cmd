echo from standard input
LABEL: s
echo resumed
