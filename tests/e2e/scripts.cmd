echo "main start"
load_script scripts.inner.txt
echo "back in main"
load_script scripts.missing.txt
load_script .
load_script
load_script "scripts.with blank.txt"
load_script scripts.skip.txt
echo "skipped in main"
LABEL: later
echo "resumed in main"
load_script scripts.self.txt
echo "after recursion"
load_script scripts.exit.txt
echo "never"
