#!/usr/bin/env bash
# Every window of the program wears the Windows 95 frame and caption of its
# own, whatever the desktop draws around other windows: the main window, the
# open dialog and its message boxes, the "Other start menu icons" pop-up, the
# restore dialog, the "Processing..." window and the uninstaller's questions.
source "$(dirname "$0")/desktop.sh"
start_desktop
new_machine
start_velkrun
expect_own_frame "$MAIN" "the main window"

keys alt+i
DIALOG=$(wait_window '^Choose an icon file with 16 colors$')
sleep 0.3
expect_own_frame "$DIALOG" "the open dialog"
window_shot "$DIALOG" open-dialog
keys ctrl+a
type_text 'C:\NOSUCH.ICO'
keys Return
BOX=$(wait_window '^Choose an icon file with 16 colors$' | grep -v "^$DIALOG\$" | head -1 || true)
[ -n "$BOX" ] || BOX=$(for id in $(xdotool search --onlyvisible --name '^Choose an icon file' 2>/dev/null); do
    [ "$id" != "$DIALOG" ] && echo "$id"; done | head -1)
[ -n "$BOX" ] || fail "no File not found box"
sleep 0.3
expect_own_frame "$BOX" "the File not found box"
window_shot "$BOX" message-box
keys Return
keys Escape
wait_for 5 no_window '^Choose an icon file with 16 colors$' || fail "the open dialog stayed"

click_in "$MAIN" "$TAB_THEMES_X" "$TAB_Y"
move_in "$MAIN" "$MORE_X" "$MORE_Y"
move_in "$MAIN" "$((MORE_X + 1))" "$((MORE_Y + 1))"
POP=$(wait_window '^Other start menu icons$')
# It stays while the pointer rests on the button.
sleep 1
xdotool search --onlyvisible --name '^Other start menu icons$' > /dev/null 2>&1 ||
    fail "the pop-up closed under the resting pointer"
expect_own_frame "$POP" "the Other start menu icons pop-up"
window_shot "$POP" icon-pop-up
move_in "$MAIN" 20 300
click_in "$MAIN" "$TAB_MAIN_X" "$TAB_Y"

# A change, so that Restore has something to put back and rebuilds icons.
click_in "$MAIN" "$STARTEDIT_X" "$STARTEDIT_Y"
keys ctrl+a
type_text "Go"
click_in "$MAIN" "$OK_X" "$OK_Y"
REBOOT=$(wait_window '^Restarting\.\.\.$')
expect_own_frame "$REBOOT" "the restart prompt"
keys alt+d
wait_for 10 bash -c "! kill -0 $VELKRUN 2>/dev/null" || fail "velkrun still runs"
machine boot "$M" > /dev/null

start_velkrun
click_in "$MAIN" "$RESTORE_X" "$RESTORE_Y"
RESTORE=$(wait_window '^Restoring original settings\.\.\.$')
sleep 0.3
expect_own_frame "$RESTORE" "the restore dialog"
keys Return
PROCESSING=$(wait_window '^Processing\.\.\.$')
shot processing-up
sleep 0.5
expect_own_frame "$PROCESSING" "the Processing... window"
# Its progress bar fills in Windows 95's blocks, not in one solid band.
eval "$(xdotool getwindowgeometry --shell "$PROCESSING")"
blocks=$(import -window root -crop "${WIDTH}x1+$X+$((Y + 73))" -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | uniq | grep -ci '^000080$' || true)
[ "$blocks" -ge 5 ] || fail "the progress bar shows $blocks blocks"
window_shot "$PROCESSING" processing
wait_window '^Restarting\.\.\.$' > /dev/null
keys alt+d
wait_for 10 bash -c "! kill -0 $VELKRUN 2>/dev/null" || fail "velkrun still runs"

(VELKAN_MACHINE="$M" exec "$VELKAN_BIN/remove/velkan-remove" > "$WORK/remove.log" 2>&1) &
REMOVE=$!
PIDS+=($REMOVE)
ASK=$(wait_window '^Uninstalling\.\.\.$')
sleep 0.3
expect_own_frame "$ASK" "the uninstaller's question"
window_shot "$ASK" uninstall-question
xdotool windowactivate --sync "$ASK" 2>/dev/null || true
# The underlined letter alone answers, as in a Windows message box.
keys n
wait_for 10 bash -c "! kill -0 $REMOVE 2>/dev/null" || fail "velkan-remove still runs after No"
[ -f "$M/drive_c/Program Files/Velkan/Velkrun.exe" ] || find "$M/drive_c" -iname velkrun.exe | grep -q . ||
    fail "No removed the program"
