#!/usr/bin/env bash
# On an X server without a window manager the windows still have their
# Windows 95 frame and caption, keys reach them, and the dialogs stand over
# the main window.
NO_WINDOW_MANAGER=1
source "$(dirname "$0")/desktop.sh"
start_desktop
new_machine
start_velkrun
expect_own_frame "$MAIN" "the main window"
shot main-window
keys alt+i
DIALOG=$(wait_window '^Choose an icon file with 16 colors$')
sleep 0.3
expect_own_frame "$DIALOG" "the open dialog"
shot open-dialog
keys Escape
wait_for 5 no_window '^Choose an icon file with 16 colors$' || fail "Escape left the open dialog"
click_in "$MAIN" "$STARTEDIT_X" "$STARTEDIT_Y"
keys ctrl+a
type_text "Go"
click_in "$MAIN" "$OK_X" "$OK_Y"
REBOOT=$(wait_window '^Restarting\.\.\.$')
sleep 0.3
expect_own_frame "$REBOOT" "the restart prompt"
keys alt+d
wait_for 10 bash -c "! kill -0 $VELKRUN 2>/dev/null" || fail "velkrun still runs after Don\`t reboot"
machine boot "$M" > /dev/null
machine show "$M" --json | grep -q '"startText": "Go"' || fail "the Start button does not read Go after the start"
