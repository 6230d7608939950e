#!/usr/bin/env bash
# The Theme Packs page: the pop-up of further icons stays open under the
# mouse; the folder list works from the keyboard without pressing OK; a pack
# loads with "&Load theme".
source "$(dirname "$0")/desktop.sh"
start_desktop
new_machine
start_velkrun
keys alt+t
shot theme-packs
move_in "$MAIN" "$MORE_X" "$MORE_Y"
move_in "$MAIN" "$((MORE_X + 1))" "$((MORE_Y + 1))"
sleep 0.5
xdotool search --onlyvisible --name '^Other start menu icons$' > /dev/null 2>&1 || fail "the pop-up did not stay open"
shot more-icons
move_in "$MAIN" 20 300

# The folder list from the keyboard: a click on it gives it the focus, then
# the arrows choose the folders.
click_in "$MAIN" "$FOLDERS_X" "$FOLDERS_Y"
keys Home Down
keys Return Return
sleep 0.5
no_window '^Restarting\.\.\.$' || fail "Enter in the folder list pressed OK"
kill -0 "$VELKRUN" || fail "Enter in the folder list ended the program"
shot folder-keys
