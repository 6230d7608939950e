# Shared by the acceptance stories: a virtual display with a small window
# manager, a fresh machine with Velkan installed, the real velkrun on it, and
# the keys, clicks and pictures a person would use. Sourced, not run.
#
# Needs VELKAN_BIN (the build folder) and VELKAN_SHOTS (where pictures go).
set -euo pipefail

: "${VELKAN_BIN:?}"
: "${VELKAN_SHOTS:?}"
STORY=$(basename "$0" .sh)
WORK=$(mktemp -d "/tmp/velkan-story-$STORY.XXXXXX")
M="$WORK/machine"
PIDS=()
SHOT=0
mkdir -p "$VELKAN_SHOTS"

finish() {
    local status=$?
    # Only what this story started, newest first.
    for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do
        kill "${PIDS[i]}" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    if [ "$status" -ne 0 ]; then
        echo "---- $STORY failed; journal and WinInit.ini of the machine:"
        cat "$M/journal.txt" 2>/dev/null || true
        find "$M/drive_c" -maxdepth 2 -iname wininit.ini -exec cat {} + 2>/dev/null || true
    fi
    rm -rf "$WORK"
    exit "$status"
}
trap finish EXIT

fail() {
    echo "FAIL: $*" >&2
    shot failure || true
    exit 1
}

# A display of its own (the server picks a free number), then the window manager.
start_desktop() {
    local displayfile="$WORK/display"
    Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp > "$displayfile" 2>"$WORK/xvfb.log" &
    PIDS+=($!)
    for _ in $(seq 100); do
        [ -s "$displayfile" ] && break
        sleep 0.05
    done
    export DISPLAY=":$(head -1 "$displayfile")"
    wait_for 10 xdpyinfo > /dev/null 2>&1 || fail "no display"
    # A bare X server, as some kiosks and virtual desktops have it.
    [ -z "${NO_WINDOW_MANAGER:-}" ] || return 0
    # The window manager is up once it owns the root window's properties. On a
    # loaded machine it has been seen to give up while the display settled:
    # it gets a second try.
    for _ in 1 2; do
        openbox --sm-disable > "$WORK/wm.log" 2>&1 &
        PIDS+=($!)
        for _ in $(seq 200); do
            xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
            kill -0 "${PIDS[-1]}" 2>/dev/null || break
            sleep 0.05
        done
    done
    fail "no window manager: $(cat "$WORK/wm.log")"
}

# Places in the main window, from its outer corner: the Windows 95 dialog
# frame and caption (3 and 22 pixels), then the layout of the pages.
CX=3 CY=22
PX=$((CX + 4 + 2)) PY=$((CY + 4 + 22))
TAB_Y=$((CY + 15)) TAB_MAIN_X=$((CX + 32)) TAB_THEMES_X=$((CX + 99)) TAB_OTHER_X=$((CX + 167))
OK_X=$((CX + 275)) OK_Y=$((CY + 433))
CANCEL_X=$((CX + 357)) CANCEL_Y=$OK_Y
RESTORE_X=$((CX + 439)) RESTORE_Y=$OK_Y
PROGSB_X=$((PX + 4 + 62 + 16)) PROGSB_Y=$((PY + 2 + 18 + 16))
STARTEDIT_X=$((PX + 270 + 8 + 50)) STARTEDIT_Y=$((PY + 2 + 20 + 10))
MORE_X=$((PX + 270 + 50 + 16)) MORE_Y=$((PY + 4 + 145 + 6))
FOLDERS_X=$((PX + 4 + 8 + 60)) FOLDERS_Y=$((PY + 4 + 44 + 8)) FOLDER_ROW=16

machine() { VELKAN_MACHINE="$M" "$VELKAN_BIN/tools/velkan-machine" "$@"; }

new_machine() {
    machine create "$@" "$M" > /dev/null
    machine install "$M" > /dev/null
}

reg_value() { # key value -> the data, or nothing
    machine reg query "$1" /v "$2" 2>/dev/null | sed -n 's/^    .*    REG_[A-Z_]*    //p'
}

start_velkrun() {
    # The folder it starts in is where the Theme Packs page starts browsing.
    (cd "${START_DIR:-$WORK}" && VELKAN_MACHINE="$M" exec "$VELKAN_BIN/app/velkrun" "$@" > "$WORK/velkrun.log" 2>&1) &
    VELKRUN=$!
    PIDS+=($VELKRUN)
    # The first start tells where the originals are kept, in a box of its own.
    for _ in $(seq 100); do
        if xdotool search --onlyvisible --name "^Velkan ' 97 ver. 2.51\$" > /dev/null 2>&1; then
            break
        fi
        if NOTICE=$(xdotool search --onlyvisible --name "^Velkan'97\$" 2>/dev/null | head -1) && [ -n "$NOTICE" ]; then
            shot backup-notice
            xdotool windowactivate --sync "$NOTICE" 2>/dev/null || true
            keys Return
        fi
        sleep 0.1
    done
    MAIN=$(wait_window "^Velkan ' 97 ver. 2.51\$")
    xdotool windowactivate --sync "$MAIN" 2>/dev/null || true
    sleep 0.3
}

# The id of the visible window whose title matches the pattern.
wait_window() {
    local pattern=$1 id
    for _ in $(seq 150); do
        for id in $(xdotool search --onlyvisible --name "$pattern" 2>/dev/null); do
            echo "$id"
            return 0
        done
        sleep 0.1
    done
    fail "no window titled /$pattern/"
}

no_window() {
    ! xdotool search --onlyvisible --name "$1" > /dev/null 2>&1
}

title_of() { xdotool getwindowname "$1"; }

all_titles() {
    for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do xdotool getwindowname "$id"; done | sort -u
}

# Keys go to the window that has the focus, as a person types.
keys() { xdotool key --delay 60 "$@"; sleep 0.3; }
type_text() { xdotool type --delay 40 "$1"; sleep 0.3; }

# A click at x,y inside the client area of window $1.
click_in() {
    local win=$1 x=$2 y=$3 button=${4:-1}
    eval "$(xdotool getwindowgeometry --shell "$win")"
    xdotool mousemove "$((X + x))" "$((Y + y))" sleep 0.1 click "$button"
    sleep 0.4
}

move_in() {
    local win=$1 x=$2 y=$3
    eval "$(xdotool getwindowgeometry --shell "$win")"
    xdotool mousemove "$((X + x))" "$((Y + y))"
    sleep 0.4
}

# A picture of the whole screen, kept for people to look at.
shot() {
    SHOT=$((SHOT + 1))
    import -window root "$VELKAN_SHOTS/$STORY-$SHOT-$1.png" 2>/dev/null
}

# A picture of one window, frame included.
window_shot() {
    import -window "$1" "$VELKAN_SHOTS/$STORY-$2.png" 2>/dev/null
}

wait_for() { # seconds, command...: until the command succeeds
    local tries=$(( $1 * 10 )); shift
    for _ in $(seq "$tries"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

file_has() { [ -f "$1" ] && grep -qi -- "$2" "$1"; }

# The colour of the screen at x,y, as six hex digits.
pixel() {
    import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null |
        sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | tail -1 | tr 'a-f' 'A-F'
}

# Whether window $1 wears the program's own Windows 95 frame: the desktop
# adds nothing around it, its edge is the raised grey and white of a Windows
# 95 frame, and its caption bar has the caption colours (blue when active,
# grey when not).
own_frame() {
    local win=$1 extents edge bar r g b
    extents=$(xprop -id "$win" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p')
    if [ -n "$extents" ] && [ "$extents" != "0, 0, 0, 0" ]; then
        echo "the desktop framed it: $extents"
        return 1
    fi
    eval "$(xdotool getwindowgeometry --shell "$win")"
    edge=$(pixel $((X + 1)) $((Y + HEIGHT / 2)))
    case "$edge" in C0C0C0|FFFFFF) ;; *) echo "edge $edge"; return 1 ;; esac
    bar=$(pixel $((X + WIDTH - 30)) $((Y + 8)))
    r=$((16#${bar:0:2})) g=$((16#${bar:2:2})) b=$((16#${bar:4:2}))
    if [ "$b" -gt $((r + 40)) ] || { [ "$r" -eq "$g" ] && [ "$g" -eq "$b" ] && [ "$r" -ge 96 ] && [ "$r" -le 160 ]; }; then
        return 0
    fi
    echo "caption bar $bar"
    return 1
}

expect_own_frame() { # window, what it is
    local why
    why=$(own_frame "$1") || fail "$2 has no Windows 95 frame of its own: $why"
}

# How many pixels of a colour (six hex digits) a rectangle of window $1 holds.
count_colour() { # window x y width height colour
    eval "$(xdotool getwindowgeometry --shell "$1")"
    import -window root -crop "${4}x${5}+$((X + $2))+$((Y + $3))" -depth 8 txt:- 2>/dev/null |
        grep -ci "#$6" || true
}

# A checksum of what a rectangle of window $1 shows.
area_sum() { # window x y width height
    eval "$(xdotool getwindowgeometry --shell "$1")"
    import -window root -crop "${4}x${5}+$((X + $2))+$((Y + $3))" -depth 8 rgb:- 2>/dev/null | md5sum
}
