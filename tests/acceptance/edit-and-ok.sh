#!/usr/bin/env bash
# First start, a new Start-button text typed and OK pressed, "Don`t reboot";
# the titles the desktop sees are the program's captions and nothing more.
source "$(dirname "$0")/desktop.sh"
start_desktop
new_machine
start_velkrun
shot main-window
window_shot "$MAIN" window
# The window title is the caption exactly: no program name appended.
[ "$(title_of "$MAIN")" = "Velkan ' 97 ver. 2.51" ] || fail "main title: $(title_of "$MAIN")"

click_in "$MAIN" "$STARTEDIT_X" "$STARTEDIT_Y"
keys ctrl+a
type_text "Go"
click_in "$MAIN" "$OK_X" "$OK_Y"
REBOOT=$(wait_window '^Restarting\.\.\.$')
shot reboot-dialog
[ "$(title_of "$REBOOT")" = "Restarting..." ] || fail "reboot title: $(title_of "$REBOOT")"
keys alt+d
wait_for 10 bash -c "! kill -0 $VELKRUN 2>/dev/null" || fail "velkrun still runs after Don\`t reboot"
find "$M/drive_c" -maxdepth 2 -iname wininit.ini -exec grep -qi 'Explorer.exe=.*Explorer.new' {} + || fail "no swap scheduled"
machine boot "$M" > /dev/null
machine show "$M" --json | grep -q '"Go"' || fail "the Start button does not read Go after the start"
