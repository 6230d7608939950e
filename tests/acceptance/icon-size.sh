#!/usr/bin/env bash
# The icon size box on the Other page: it shows what the registry holds, and
# pasted letters never reach the registry.
source "$(dirname "$0")/desktop.sh"
start_desktop
new_machine
machine reg add 'HKCU\Control Panel\Desktop\WindowMetrics' /v 'Shell Icon Size' /d 100 /f > /dev/null
start_velkrun
click_in "$MAIN" "$TAB_OTHER_X" "$TAB_Y"
shot other-page
keys alt+i ctrl+a ctrl+c
shown=$(xclip -o -selection clipboard 2>/dev/null || true)
[ "$shown" = "100" ] || fail "the box shows '$shown' where the registry holds 100"

printf 'St' | xclip -i -selection clipboard
keys alt+i ctrl+a ctrl+v
keys alt+b
WARN=$(wait_window '^Future problems$')
shot future-problems
keys Return
wait_for 5 bash -c "! xdotool search --onlyvisible --name '^Future problems\$' >/dev/null 2>&1"
size=$(reg_value 'HKCU\Control Panel\Desktop\WindowMetrics' 'Shell Icon Size')
[ "$size" = "100" ] || fail "Shell Icon Size became '$size'"
