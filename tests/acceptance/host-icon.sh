#!/usr/bin/env bash
# A Start-button icon picked from the host's own files through "Look in:":
# its bytes go into the machine's User.exe, its host path goes nowhere on
# drive C:.
source "$(dirname "$0")/desktop.sh"
start_desktop
new_machine
icon=$(find "$M/drive_c" -iname 'icon32.ico' | head -1)
[ -n "$icon" ] || fail "no stock icon32.ico on the machine"
mkdir -p "$WORK/host icons"
cp "$icon" "$WORK/host icons/Start.ico"
start_velkrun
keys alt+i
DIALOG=$(wait_window '^Choose an icon file with 16 colors$')
# The host's files are offered below the machine's drives.
keys alt+i alt+Down
sleep 0.5
shot look-in
keys Escape
xdotool windowactivate --sync "$DIALOG" 2>/dev/null || true
keys alt+n ctrl+a
type_text "$WORK/host icons/Start.ico"
keys Return
wait_for 5 no_window '^Choose an icon file with 16 colors$' || fail "the open dialog stayed"
sleep 0.5
shot after-load
click_in "$MAIN" "$OK_X" "$OK_Y"
wait_window '^Restarting\.\.\.$' > /dev/null
keys alt+d
wait_for 10 bash -c "! kill -0 $VELKRUN 2>/dev/null" || fail "velkrun still runs"
wininit=$(find "$M/drive_c" -maxdepth 2 -iname wininit.ini | head -1)
grep -qi 'User.exe=.*User.new' "$wininit" || fail "no new User.exe scheduled: $(cat "$wininit")"
! grep -rqa -e "host icons" -e "Linux" "$M/drive_c" || fail "a host path landed on drive C: $(grep -rla -e 'host icons' -e Linux "$M/drive_c")"
