# Found by the protocol fuzzer: a device as a script never ends (/dev/zero
# and /dev/full read as zeros for ever) and is refused like a missing file.
load_script /dev/zero
load_script /dev/full
load_script /dev/null
is_ready
