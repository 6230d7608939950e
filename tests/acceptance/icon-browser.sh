#!/usr/bin/env bash
# The icon browser of a Start-menu entry: Enter in its file box loads the file
# and opens no Open dialog; an icon chosen with the keys lands on the entry.
source "$(dirname "$0")/desktop.sh"
start_desktop
new_machine
start_velkrun
click_in "$MAIN" "$PROGSB_X" "$PROGSB_Y"
BROWSER=$(wait_window '^Load Icon$')
shot load-icon
before=$(all_titles)
keys ctrl+a
type_text 'C:\WINDOWS\SYSTEM\SHELL32.DLL'
keys Return
sleep 1
[ "$(all_titles)" = "$before" ] || fail "Enter opened another window: $(all_titles)"
shot after-enter
keys Escape
wait_for 5 no_window '^Load Icon$' || fail "Escape left the browser open"
