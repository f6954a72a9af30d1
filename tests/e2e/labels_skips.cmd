LABEL: x
LABEL:
echo "label lines print nothing"
skip_if_done missing_file.txt m
echo "not skipped after a missing file"
skip_if_done . d
echo "not skipped after a directory"
skip_if_done labels_skips.cmd done
echo "skipped"
LABEL: other
LABEL: Done
exit
# note
Exit
is_ready
LABEL: done
echo "after the label"
skip_if_done labels_skips.cmd first
skip_if_done labels_skips.cmd second
LABEL: second
echo "still skipped"
LABEL:   first
echo "resumed"
#comment
# comment
#is_ready
  #is_ready
echo #hidden
echo "#hidden too"
echo "shown #"
LABEL: first extra
echo "end"
