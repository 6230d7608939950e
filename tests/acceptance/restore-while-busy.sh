#!/usr/bin/env bash
# OK and then Restore, each with clicks and keys thrown at the window while
# the icon rebuild waits: none of them may act; the change, and then the
# restore's swap, stay.
source "$(dirname "$0")/desktop.sh"
start_desktop
new_machine
start_velkrun
click_in "$MAIN" "$STARTEDIT_X" "$STARTEDIT_Y"
keys ctrl+a
type_text "Go"
# "&Restore icon" on Programs: OK then rebuilds the icons, and OK, Cancel and
# Escape thrown at it meanwhile must neither apply twice nor undo the apply.
click_in "$MAIN" $((PX + 4 + 62 + 16)) $((PY + 2 + 18 + 16)) 3
keys r
click_in "$MAIN" "$OK_X" "$OK_Y"
wait_window '^Processing\.\.\.$' > /dev/null
click_in "$MAIN" "$OK_X" "$OK_Y"
click_in "$MAIN" "$CANCEL_X" "$CANCEL_Y"
keys Escape
wait_for 15 bash -c "xdotool search --onlyvisible --name '^Restarting\.\.\.\$' >/dev/null 2>&1 || ! kill -0 $VELKRUN 2>/dev/null" ||
    fail "neither a restart prompt nor the end after OK"
sleep 1
[ "$(xdotool search --onlyvisible --name '^Restarting\.\.\.$' 2>/dev/null | wc -l)" -le 1 ] || fail "two restart prompts after OK"
if kill -0 "$VELKRUN" 2>/dev/null; then
    keys alt+d
fi
wait_for 10 bash -c "! kill -0 $VELKRUN 2>/dev/null" || fail "velkrun still runs"
! grep -qi 'error' "$WORK/velkrun.log" || fail "error printed after OK: $(cat "$WORK/velkrun.log")"
machine boot "$M" > /dev/null
machine show "$M" --json | grep -q '"startText": "Go"' || fail "the Start text was lost: $(machine show "$M" --json | grep startText)"

start_velkrun
click_in "$MAIN" "$RESTORE_X" "$RESTORE_Y"
RESTORE=$(wait_window '^Restoring original settings\.\.\.$')
shot restore-dialog
keys Return
# The rebuild waits 4.32 s: OK, Cancel and Escape now must do nothing.
sleep 0.8
wait_window '^Processing\.\.\.$' > /dev/null
shot processing
click_in "$MAIN" "$OK_X" "$OK_Y"
click_in "$MAIN" "$CANCEL_X" "$CANCEL_Y"
keys Escape
# After the wait the restart prompt comes, once (the Escape may reach it when
# a slow machine ends the wait early, which closes it as "Don`t reboot").
wait_for 15 bash -c "xdotool search --onlyvisible --name '^Restarting\.\.\.\$' >/dev/null 2>&1 || ! kill -0 $VELKRUN 2>/dev/null" ||
    fail "neither a restart prompt nor the end"
[ "$(xdotool search --onlyvisible --name '^Restarting\.\.\.$' 2>/dev/null | wc -l)" -le 1 ] || fail "two restart prompts"
if kill -0 "$VELKRUN" 2>/dev/null; then
    keys alt+d
fi
wait_for 10 bash -c "! kill -0 $VELKRUN 2>/dev/null" || fail "velkrun still runs"
wininit=$(find "$M/drive_c" -maxdepth 2 -iname wininit.ini | head -1)
grep -qi 'Explorer.exe=.*Explorer.sav' "$wininit" || fail "the restore's swap is gone: $(cat "$wininit")"
! grep -qi 'Explorer.new' "$wininit" || fail "an apply ran during the rebuild: $(cat "$wininit")"
! grep -qi 'error' "$WORK/velkrun.log" || fail "error printed: $(cat "$WORK/velkrun.log")"
