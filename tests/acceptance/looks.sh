#!/usr/bin/env bash
# The Windows 95 looks a person sees: the bold caption text, the close
# box's heavy cross, a flat speed button that keeps its picture under the
# pointer, the "&Restore icon" menu at the form's point, Windows 95's yellow
# folders in the folder list, TranspSB letting the Preview's logo show
# through, and "Future problems" standing in the middle of the screen.
source "$(dirname "$0")/desktop.sh"
start_desktop
new_machine
START_DIR="$M/drive_c/Program Files/Velkan" start_velkrun
eval "$(xdotool getwindowgeometry --shell "$MAIN")"
MAIN_W=$WIDTH

# The close glyph: an 8 by 7 cross two pixels thick, 26 black pixels inside
# the button's face (a thin 6 by 6 cross has 11).
cross=$(count_colour "$MAIN" $((MAIN_W - 21)) 5 14 12 000000)
[ "$cross" -ge 20 ] || fail "the close glyph has $cross black pixels, not Windows 95's heavy cross"

# The caption's text is bold, as the caption font asks: about 290 white
# pixels of "Velkan ' 97 ver. 2.51" in bold against 170 in the normal weight.
title=$(count_colour "$MAIN" 20 3 200 18 FFFFFF)
[ "$title" -ge 240 ] || fail "the caption text has $title white pixels: not bold"

# The Start button's picture stays on the flat StartSE button under the pointer.
SE_X=$((PX + 270 + 148)) SE_Y=$((PY + 2 + 13))
flag() { # the picture's own colours: the flag's red and green
    echo $(( $(count_colour "$MAIN" "$SE_X" "$SE_Y" 34 34 FF0000) + $(count_colour "$MAIN" "$SE_X" "$SE_Y" 34 34 00FF00) ))
}
idle=$(flag)
move_in "$MAIN" $((SE_X + 17)) $((SE_Y + 17))
hovered=$(flag)
shot hover
[ "$idle" -ge 20 ] || fail "no picture on StartSE ($idle coloured pixels)"
[ "$hovered" -ge $((idle / 2)) ] || fail "the picture went under the pointer: $hovered of $idle coloured pixels"
move_in "$MAIN" 20 300

# A right click on an entry's picture opens "&Restore icon" at the form's
# point: the window's corner plus the picture's place in its group, plus 60.
eval "$(xdotool getwindowgeometry --shell "$MAIN")"
want="$((X + 62 + 60)) $((Y + 18 + 60))"
xwininfo -root -children | awk '/^ +0x/ {print $1}' | sort > "$WORK/windows-before"
click_in "$MAIN" $((PX + 4 + 62 + 16)) $((PY + 2 + 18 + 16)) 3
shot restore-icon-menu
xwininfo -root -children | awk '/^ +0x/ {print $1}' | sort > "$WORK/windows-after"
menus=""
for id in $(comm -13 "$WORK/windows-before" "$WORK/windows-after"); do
    menus+="$(xwininfo -id "$id" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} /Map State: IsViewable/ {print x, y}') "
done
[[ " $menus " == *" $want "* ]] || fail "the Restore icon menu opened at '$menus', not at $want"
keys Escape

# The folder list draws Windows 95's yellow folders.
click_in "$MAIN" "$TAB_THEMES_X" "$TAB_Y"
yellow=$(count_colour "$MAIN" $((PX + 12)) $((PY + 40)) 240 120 FFFF00)
[ "$yellow" -ge 40 ] || fail "the folder list shows $yellow yellow pixels, not Windows 95 folders"

# A pack chosen from the keyboard fills the Preview; TranspSB then lets the
# group's face show through the logo's background.
click_in "$MAIN" "$FOLDERS_X" "$((FOLDERS_Y + 2 * FOLDER_ROW))"
keys End
sleep 1
LOGO_X=$((PX + 270 + 140)) LOGO_Y=$((PY + 4 + 23))
before=$(area_sum "$MAIN" "$LOGO_X" "$LOGO_Y" 21 130)
shot preview
click_in "$MAIN" $((LOGO_X + 10)) $((PY + 4 + 155 + 7))
after=$(area_sum "$MAIN" "$LOGO_X" "$LOGO_Y" 21 130)
shot transparent
[ "$before" != "$after" ] || fail "TranspSB changed nothing visible"

# "Future problems" stands in the middle of the screen, not of the window.
click_in "$MAIN" "$TAB_OTHER_X" "$TAB_Y"
keys alt+b
WARN=$(wait_window '^Future problems$')
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$WARN")"
cx=$((X + WIDTH / 2)) cy=$((Y + HEIGHT / 2))
[ "${cx#-}" -ge 508 ] && [ "$cx" -le 516 ] && [ "$cy" -ge 380 ] && [ "$cy" -le 388 ] ||
    fail "Future problems is centred at $cx,$cy, not at the screen's middle 512,384"
keys Escape
