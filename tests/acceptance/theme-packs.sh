#!/usr/bin/env bash
# The Theme Packs page: the pop-up of further icons stays open under the
# mouse; the folder list works from the keyboard without pressing OK; a pack
# loads with "&Load theme".
source "$(dirname "$0")/desktop.sh"
start_desktop
new_machine
START_DIR="$M/drive_c/Program Files/Velkan" start_velkrun
machine show "$M" --json > "$WORK/show-before.json"
click_in "$MAIN" "$TAB_THEMES_X" "$TAB_Y"
shot theme-packs
window_shot "$MAIN" window
move_in "$MAIN" "$MORE_X" "$MORE_Y"
move_in "$MAIN" "$((MORE_X + 1))" "$((MORE_Y + 1))"
sleep 0.5
xdotool search --onlyvisible --name '^Other start menu icons$' > /dev/null 2>&1 || fail "the pop-up did not stay open"
shot more-icons
move_in "$MAIN" 20 300

# The folder list from the keyboard: a click on the current folder gives it
# the focus, then End chooses the last pack folder below it.
click_in "$MAIN" "$FOLDERS_X" "$((FOLDERS_Y + 2 * FOLDER_ROW))"
keys End
shot folder-keys
keys Return
sleep 0.5
no_window '^Restarting\.\.\.$' || fail "Enter in the folder list pressed OK"
kill -0 "$VELKRUN" || fail "Enter in the folder list ended the program"
# The keys ran the folder's click: the pack can be loaded.
keys alt+l
sleep 2
shot pack-loaded
click_in "$MAIN" "$OK_X" "$OK_Y"
wait_window '^Restarting\.\.\.$' > /dev/null
keys alt+d
wait_for 10 bash -c "! kill -0 $VELKRUN 2>/dev/null" || fail "velkrun still runs"
machine boot "$M" > /dev/null
[ "$(machine show "$M" --json)" != "$(cat "$WORK/show-before.json")" ] || fail "the pack changed nothing"
