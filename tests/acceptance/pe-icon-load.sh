#!/usr/bin/env bash
# A "US" machine whose User.exe is laid out as its "PE" twin: loading a
# Start-button icon retries with the twin, and what the user typed before
# the load, and a visibility box unchecked before it, survive the retry.
source "$(dirname "$0")/desktop.sh"
start_desktop
new_machine --build 0 --user-layout 1
icon=$(find "$M/drive_c" -iname 'icon32.ico' | head -1)
[ -n "$icon" ] || fail "no stock icon32.ico on the machine"
start_velkrun
click_in "$MAIN" "$STARTEDIT_X" "$STARTEDIT_Y"
keys ctrl+a
type_text "Go"
# The Find entry's visibility box, in the Start Menu group.
click_in "$MAIN" $((PX + 4 + 224 + 8)) $((PY + 2 + 158 + 8))
keys alt+i
DIALOG=$(wait_window '^Choose an icon file with 16 colors$')
shot open-icon
keys ctrl+a
# The dialog shows the machine's drives: the file is named as Windows names it.
rel=${icon#"$M/drive_c/"}
type_text "C:\\${rel//\//\\}"
keys Return
wait_for 5 no_window '^Choose an icon file with 16 colors$' || fail "the open dialog stayed"
sleep 0.5
shot after-load
click_in "$MAIN" "$STARTEDIT_X" "$STARTEDIT_Y"
keys ctrl+a ctrl+c
text=$(xclip -o -selection clipboard 2>/dev/null || true)
[ "$text" = "Go" ] || fail "the Start-button text reads '$text' after the load"
click_in "$MAIN" "$OK_X" "$OK_Y"
wait_window '^Restarting\.\.\.$' > /dev/null
keys alt+d
wait_for 10 bash -c "! kill -0 $VELKRUN 2>/dev/null" || fail "velkrun still runs"
machine boot "$M" > /dev/null
machine show "$M" --json | grep -q '"Go"' || fail "the Start button does not read Go after the start"
machine show "$M" --json | grep -q '"entry": "Find"[^}]*"hidden": true' ||
    fail "Find is shown again after the start: $(machine show "$M" --json | grep -o '"entry": "Find"[^}]*')"
