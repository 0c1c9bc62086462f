#!/usr/bin/env bash
# Plays the field in the real window on an X display: swaps two pieces and drags a pizza onto lit burners.
# Usage: board_play.sh <embercook_play> <fixture folder> [screenshot folder]. Exits 77 (skipped) without a display.
set -u

app=$1
fixtures=$2
shots=${3:-}
convert=/usr/bin/convert
[ -x "$convert" ] || convert=$(command -v convert 2>/dev/null || true)

# shellcheck source=window_lib.sh
. "$(dirname "$0")/window_lib.sh"

"$app" --levels="$fixtures/basic/" --characters="$fixtures/characters/" --level=5 --lit --customer \
    >"$tmp/out.txt" 2>"$tmp/err.txt" &
pid=$!

wid=$(timeout 10 xdotool search --all --sync --onlyvisible --pid "$pid" --name '^Ember Cook$' 2>/dev/null | head -n 1)
[ -n "$wid" ] || fail "no window appeared within 10 s"

geometry() {
    local X='' Y='' WIDTH='' HEIGHT='' SCREEN='' WINDOW=''
    eval "$(x getwindowgeometry --shell "$wid")"
    echo "$X $Y $WIDTH $HEIGHT"
}
wait_for() {
    local what=$1; shift
    for _ in $(seq 50); do
        "$@" && return 0
        sleep 0.1
    done
    fail "$what"
}
printed() { grep -q "^$1\$" "$tmp/out.txt"; }
count() { grep -c "^$1\$" "$tmp/out.txt"; }
shot() { timeout 5 xwd -silent -id "$wid" | "$convert" xwd:- "png:$tmp/$1.png"; }
pixel() { "$convert" "$tmp/$1.png" -depth 8 -format "%[fx:int(255*r+.5)],%[fx:int(255*g+.5)],%[fx:int(255*b+.5)]" \
              -crop "1x1+$2+$3" +repage info:; }
keep() { [ -z "$shots" ] || { mkdir -p "$shots" && cp "$tmp/$1.png" "$shots/$2.png"; }; }

wait_for "the field never said it was ready" printed "ready.*"
read -r _ _ columns _ gridx < <(grep '^ready' "$tmp/out.txt")
read -r wx wy _ _ < <(geometry)
drawn() { shot start && [ "$(pixel start 5 5)" != "0,0,0" ]; }
wait_for "the window never showed its picture" drawn
# The pieces drop in from above when a level starts; a player waits for them to land.
sleep 3
shot start && keep start board_start

# Cell centres: column c at gridx + 49c + 24, row r at 50 + 49(7 - r) + 24.
cx() { echo $((wx + gridx + 49 * $1 + 24)); }
cy() { echo $((wy + 50 + 49 * (7 - $1) + 24)); }

# Two clicks on neighbours: the first selects, the second swaps (and the swap slides back without a run).
x mousemove --sync "$(cx 2)" "$(cy 6)" click 1 || fail "xdotool could not click"
wait_for "selecting a piece played no sound" printed "sound Select"
sleep 0.7 # apart enough not to count as a double click
x mousemove --sync "$(cx 3)" "$(cy 6)" click 1 || fail "xdotool could not click"
wait_for "the swap played no sound" printed "sound Move"
sleep 0.1
shot swapping && keep swapping board_swap

# The customer's pizza waits on the shelf at (185, 475); pressed, dragged and held over the lit grid, it goes
# down where the button is let go.
x mousemove --sync $((wx + 185)) $((wy + 475)) mousedown 1 || fail "xdotool could not press"
wait_for "taking the pizza played no sound" printed "sound TakePizza"
for step in 1 2 3 4 5 6 7 8; do
    x mousemove --sync $((wx + 185 + step * (gridx + 49 * columns / 2 - 185) / 8)) \
        $((wy + 475 - step * (475 - 246) / 8)) || fail "xdotool could not drag"
    sleep 0.06
done
shot dragging && keep dragging board_drag
x mouseup 1 || fail "xdotool could not release"
wait_for "the pizza was not put down on the lit burners" printed "sound PutPizza"
sleep 0.3
shot cooking && keep cooking board_cooking

echo "PASSED: selected, swapped, took the pizza and put it down on lit burners"
exit 0
