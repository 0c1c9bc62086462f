#!/usr/bin/env bash
# Drives the real application window on an X display: clicks, typing, the Alt+Enter full-screen toggle and Alt+F4.
# Usage: test_application_window.sh <test_application> [screenshot folder]. Exits 77 (skipped) when there is no display or tool.
set -u

app=$1
shots=${2:-}
convert=/usr/bin/convert

# shellcheck source=window_lib.sh
. "$(dirname "$0")/window_lib.sh"

read -r screen_w screen_h < <(x getdisplaygeometry) || fail "cannot read the screen size"
[ "$screen_w" -gt 800 ] && [ "$screen_h" -gt 600 ] || skip "screen ${screen_w}x${screen_h} is not larger than the game"

"$app" >"$tmp/out.txt" 2>"$tmp/err.txt" &
pid=$!

wid=$(timeout 10 xdotool search --all --sync --onlyvisible --pid "$pid" --name '^Ember Cook$' 2>/dev/null | head -n 1)
[ -n "$wid" ] || fail "no window appeared within 10 s"

# geometry -> "X Y W H" of the window on the screen.
geometry() {
    local X='' Y='' WIDTH='' HEIGHT='' SCREEN='' WINDOW=''
    eval "$(x getwindowgeometry --shell "$wid")"
    echo "$X $Y $WIDTH $HEIGHT"
}

# wait_for <what> <command...>: polls for up to 5 s.
wait_for() {
    local what=$1; shift
    for _ in $(seq 300); do
        "$@" && return 0
        sleep 0.1
    done
    fail "$what"
}

printed() { grep -qx "$1" "$tmp/out.txt"; }
geometry_is() { [ "$(geometry | cut -d' ' -f3-4)" = "$1 $2" ]; }

# shot <name>: the window's own picture as PNG.
shot() { timeout 5 xwd -silent -id "$wid" | "$convert" xwd:- "png:$tmp/$1.png"; }

# pixel <name> <x> <y> -> "r,g,b" (0..255 each).
pixel() { "$convert" "$tmp/$1.png" -depth 8 -format "%[fx:int(255*r+.5)],%[fx:int(255*g+.5)],%[fx:int(255*b+.5)]" \
              -crop "1x1+$2+$3" +repage info:; }
is_black() { [ "$(pixel "$@")" = "0,0,0" ]; }

keep() { [ -z "$shots" ] || { mkdir -p "$shots" && cp "$tmp/$1.png" "$shots/$2.png"; }; }

wait_for "the window never reached 800x600" geometry_is 800 600
read -r wx wy _ _ < <(geometry)
# A window is mapped before its first picture; a person clicks on what is shown, so the test waits for it too.
drawn() { shot start && ! is_black start 5 5; }
wait_for "the window never showed its picture" drawn

# Clicks land where a person's would: the pointer moves there and presses.
x mousemove --sync $((wx + 130)) $((wy + 200)) click 1 || fail "xdotool could not click"
wait_for "'clicked Play' was not printed" printed "clicked Play"
x mousemove --sync $((wx + 539)) $((wy + 322)) click 1 || fail "xdotool could not click"
wait_for "'clicked dialog OK' was not printed" printed "clicked dialog OK"

# Typing goes to the window that has the keyboard, as a person's typing does.
x windowfocus --sync "$wid" || fail "could not give the window the keyboard"
x key --clearmodifiers q || fail "xdotool could not type"
wait_for "'typed q' was not printed" printed "typed q"

# The windowed picture has no border of its own: every corner shows the backdrop.
wait_for "the windowed screenshot could not be taken" shot windowed
for corner in "0 0" "799 0" "0 599" "799 599"; do
    is_black windowed $corner && fail "windowed corner ($corner) is black"
done
keep windowed test_application_windowed

# Alt+Enter: full screen, the 800x600 picture scaled by the largest factor that fits with its aspect kept and
# centred, black bars only where the screen's aspect differs.
x key alt+Return || fail "xdotool could not press Alt+Enter"
wait_for "Alt+Enter did not cover the screen (now $(geometry))" geometry_is "$screen_w" "$screen_h"
if [ $((screen_w * 600)) -le $((screen_h * 800)) ]; then
    pw=$screen_w
    ph=$((screen_w * 600 / 800))
else
    ph=$screen_h
    pw=$((screen_h * 800 / 600))
fi
ox=$(((screen_w - pw) / 2))
oy=$(((screen_h - ph) / 2))
letterboxed() {
    shot fullscreen || return 1
    ! is_black fullscreen $((screen_w / 2)) $((screen_h / 2)) && ! is_black fullscreen "$ox" "$oy" &&
        ! is_black fullscreen $((ox + pw - 1)) $((oy + ph - 1)) || return 1
    if [ "$ox" -gt 0 ]; then is_black fullscreen $((ox - 1)) "$oy" && is_black fullscreen 0 0 || return 1; fi
    if [ "$oy" -gt 0 ]; then is_black fullscreen "$ox" $((oy - 1)) && is_black fullscreen 0 0 || return 1; fi
    return 0
}
wait_for "the full-screen picture does not fill the screen (${pw}x${ph} at $ox,$oy expected)" letterboxed
keep fullscreen embercook_fullscreen
# The same picture in the same colours: full screen keeps the window's depth, and smoothing leaves flat areas
# alone, so each channel stays within a few steps; a swapped or shifted channel would move it much further.
close_to() {
    local a b i
    IFS=, read -r -a a <<<"$1"
    IFS=, read -r -a b <<<"$2"
    for i in 0 1 2; do
        [ $((a[i] - b[i])) -le 8 ] && [ $((b[i] - a[i])) -le 8 ] || return 1
    done
}
for spot in "5 5" "120 190" "500 330"; do
    set -- $spot
    full=$(pixel fullscreen $((ox + $1 * pw / 800)) $((oy + $2 * ph / 600)))
    windowed=$(pixel windowed "$1" "$2")
    close_to "$full" "$windowed" || fail "at ($spot) full screen shows $full, the window showed $windowed"
done

# Alt+Enter again: back to the 800x600 window.
x key alt+Return || fail "xdotool could not press Alt+Enter"
wait_for "the second Alt+Enter did not bring the window back (now $(geometry))" geometry_is 800 600

# The mouse still maps to the logical screen after the round trip.
read -r wx wy _ _ < <(geometry)
x mousemove --sync $((wx + 130)) $((wy + 260)) click 1 || fail "xdotool could not click"
wait_for "'clicked Options' was not printed after the round trip" printed "clicked Options"

# Alt+F4 closes; the program ends by itself with 0 and has written its settings.
x windowfocus --sync "$wid" || true
x key alt+F4 || fail "xdotool could not press Alt+F4"
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end within 10 s of Alt+F4"
wait "$pid"
code=$?
pid=
[ "$code" -eq 0 ] || fail "exit code $code after Alt+F4"

settings=$(grep -rlx '"ScreenMode" = int:0' "$XDG_CONFIG_HOME" 2>/dev/null | head -n 1)
[ -n "$settings" ] || fail "no settings file with the windowed screen mode under $XDG_CONFIG_HOME"

echo "PASSED: clicks, typing, full screen and back, exit 0, settings written"
exit 0
