#!/usr/bin/env bash
# Drives the widget window on an X display: typing (an accented letter too) into the edit field, the check box,
# the slider and the list, then OK. Usage: widget_window.sh <widget_window> [screenshot folder].
# Exits 77 (skipped) when there is no display or tool.
set -u

app=$1
shots=${2:-}
convert=/usr/bin/convert

# shellcheck source=window_lib.sh
. "$(dirname "$0")/window_lib.sh"

# An X server without a GPU gets SDL's own software renderer: GL emulated on the processor starts worker threads
# that may still be ending when the sanitizer build's leak check stops the process at exit, which it cannot survive.
export SDL_RENDER_DRIVER=software

read -r screen_w screen_h < <(x getdisplaygeometry) || fail "cannot read the screen size"
[ "$screen_w" -gt 800 ] && [ "$screen_h" -gt 600 ] || skip "screen ${screen_w}x${screen_h} is not larger than the window"

"$app" >"$tmp/out.txt" 2>"$tmp/err.txt" &
pid=$!

wid=$(timeout 10 xdotool search --all --sync --onlyvisible --pid "$pid" --name '^Widget Window$' 2>/dev/null | head -n 1)
[ -n "$wid" ] || fail "no window appeared within 10 s"

geometry() {
    local X='' Y='' WIDTH='' HEIGHT='' SCREEN='' WINDOW=''
    eval "$(x getwindowgeometry --shell "$wid")"
    echo "$X $Y $WIDTH $HEIGHT"
}
wait_for() {
    local what=$1; shift
    for _ in $(seq 300); do
        "$@" && return 0
        sleep 0.1
    done
    fail "$what"
}
printed() { grep -qx "$1" "$tmp/out.txt"; }
last_text_is() { [ "$(grep '^text ' "$tmp/out.txt" | tail -n 1)" = "text $1" ]; }
geometry_is() { [ "$(geometry | cut -d' ' -f3-4)" = "$1 $2" ]; }
shot() { timeout 5 xwd -silent -id "$wid" | "$convert" xwd:- "png:$tmp/$1.png"; }
pixel() { "$convert" "$tmp/$1.png" -depth 8 -format "%[fx:int(255*r+.5)],%[fx:int(255*g+.5)],%[fx:int(255*b+.5)]" \
              -crop "1x1+$2+$3" +repage info:; }
keep() { [ -z "$shots" ] || { mkdir -p "$shots" && cp "$tmp/$1.png" "$shots/$2.png"; }; }

wait_for "the window never reached 800x600" geometry_is 800 600
wait_for "'ready' was not printed" printed ready
read -r wx wy _ _ < <(geometry)
drawn() { shot start && [ "$(pixel start 5 5)" != "0,0,0" ]; }
wait_for "the window never showed its picture" drawn

# The field has the keyboard from the start. Typed text arrives as UTF-8 and lands as Latin-1 bytes.
x windowfocus --sync "$wid" || fail "could not give the window the keyboard"
x type --delay 150 'Zoé' || fail "xdotool could not type"
wait_for "'Zoé' did not land in the field" last_text_is 5a6fe9
x key BackSpace || fail "xdotool could not press Backspace"
wait_for "Backspace did not remove the é" last_text_is 5a6f
x type --delay 150 'é ñ' || fail "xdotool could not type"
wait_for "'é ñ' did not land in the field" last_text_is 5a6fe920f1

# Home, Shift+End, Ctrl+C, End, Ctrl+V: the clipboard carries the accented letters out and back; Ctrl+Z undoes.
x key Home shift+End ctrl+c End ctrl+v || fail "xdotool could not press the editing keys"
wait_for "copy and paste did not double the text" last_text_is 5a6fe920f15a6fe920f1
x key ctrl+z || fail "xdotool could not press Ctrl+Z"
wait_for "Ctrl+Z did not undo the paste" last_text_is 5a6fe920f1

# The controls of the dialog (at 150,60): check box, slider, list.
click() { x mousemove --sync $((wx + $1)) $((wy + $2)) click 1 || fail "xdotool could not click at $1,$2"; }
click 200 230
wait_for "the check box did not report" printed "music off"
click 425 230
wait_for "the slider did not report its value" printed "volume 0.50"
click 220 267
wait_for "the list did not report the first row" printed "picked Ada"

wait_for "the dialog screenshot could not be taken" shot dialog
keep dialog widgets_dialog

click 400 494
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end within 10 s of OK"
wait "$pid"
code=$?
pid=
[ "$code" -eq 0 ] || fail "exit code $code after OK"
echo "PASSED: typing with accents, check box, slider, list, OK"
exit 0
