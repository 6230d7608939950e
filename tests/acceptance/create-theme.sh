#!/usr/bin/env bash
# "Theme Pack creation..." on the Russian IE4 build: a Cyrillic name is saved
# in the build's code page, and Enter on a name that cannot be saved gives one
# error, not two.
source "$(dirname "$0")/desktop.sh"
start_desktop
new_machine --build 'Russian IE4'
start_velkrun
keys alt+s
CREATE=$(wait_window '^Theme Pack creation\.\.\.$')
shot create-theme
type_text 'no\such'
keys Return
wait_window '^Error\.\.\.$' > /dev/null
shot save-error
sleep 0.5
[ "$(xdotool search --onlyvisible --name '^Error\.\.\.$' | wc -l)" -eq 1 ] || fail "more than one error box"
keys Return
sleep 1
no_window '^Error\.\.\.$' || fail "a second error box followed the first"

# A Cyrillic name, pasted: the virtual keyboard has no Cyrillic keys, and
# xdotool's borrowed ones lose letters on a busy machine.
xdotool windowactivate --sync "$CREATE" 2>/dev/null || true
printf 'Тема' | xclip -i -selection clipboard
keys ctrl+a ctrl+v
keys Return
wait_for 5 no_window '^Theme Pack creation\.\.\.$' || fail "the dialog stayed open"
index=$(grep -rla --include='*.vkr' $'Name=\xd2\xe5\xec\xe0' "$M/drive_c" | head -1 || true)
[ -n "$index" ] || fail "no pack named in code page 1251: $(grep -rah --include='*.vkr' 'Name' "$M/drive_c" | od -c | head -5)"
