#!/usr/bin/env bash
# The real game with its real content for a returning cook prepared in players.dat at day 2: the music turned down in
# the options must still be down after Quit and a restart; the table of best chefs; a second cook created (and kept
# in players.dat); Play must offer the prepared cook's day in progress and resume it.
# Screenshots of each window go to the screenshot folder.
# Usage: game_between_days.sh <embercook> <content folder> [screenshot folder]. Exits 77 without a display or tool.
set -u

app=$1
content=$2
shots=${3:-}
convert=/usr/bin/convert
# Generous bounds: on two busy cores the game is slower to start and to draw, which must not fail the test.
limit=60

skip() { echo "SKIPPED: $*"; exit 77; }
fail() {
    echo "FAILED: $*"
    [ -n "${tmp:-}" ] && [ -f "$tmp/err.txt" ] && { echo "--- stderr (tail)"; tail -n 30 "$tmp/err.txt"; }
    [ -n "${tmp:-}" ] && [ -f "$tmp/now.png" ] && [ -n "$shots" ] && mkdir -p "$shots" &&
        cp "$tmp/now.png" "$shots/between_failed.png" && echo "--- last screen: $shots/between_failed.png"
    exit 1
}

[ -n "${DISPLAY:-}" ] || skip "no X display"
command -v xdotool >/dev/null 2>&1 || skip "xdotool is not installed"
command -v xwd >/dev/null 2>&1 || skip "xwd is not installed"
command -v python3 >/dev/null 2>&1 || skip "python3 is not installed"
[ -x "$convert" ] || skip "ImageMagick's convert is not installed"
[ -x "$app" ] || fail "no program at $app"
[ -f "$content/main.pak" ] || fail "no main.pak in $content (build the content target)"

x() { timeout 10 xdotool "$@"; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/embercook-between-days.XXXXXX")
pid=
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null
    fi
    rm -rf "$tmp"
}
trap cleanup EXIT

export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/config XDG_DATA_HOME=$tmp/home/data XDG_CACHE_HOME=$tmp/home/cache
export XDG_RUNTIME_DIR=$tmp/run ZEST_AUDIO=null
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
players=$XDG_DATA_HOME/Quillbrook/EmberCook/players.dat
mkdir -p "$(dirname "$players")"

# players.dat (little-endian): magic 1108, current player, then per player its name (16-bit length and bytes),
# level, a reserved number, money, two flags (reserved, no hints), 8 recipes, 7 upgrades, the carried charge,
# 60 expert flags, 60 day profits and 30 hints shown.
# profile NAME LEVEL MONEY: writes a file with that one cook, day 1 won, hints off.
profile() {
    python3 - "$players" "$1" "$2" "$3" <<'PY'
import struct, sys
path, name, level, money = sys.argv[1], sys.argv[2].encode(), int(sys.argv[3]), int(sys.argv[4])
rec = struct.pack('<h', len(name)) + name + struct.pack('<iii', level, 0, money) + bytes([1, 1])
rec += struct.pack('<8i', 1, 0, 0, 0, 0, 0, 0, 0) + struct.pack('<7i', *[0] * 7) + struct.pack('<i', 0)
rec += struct.pack('<60i', *[0] * 60) + struct.pack('<60i', *([150] + [0] * 59)) + struct.pack('<30i', *[1] * 30)
open(path, 'wb').write(struct.pack('<ii', 1108, 0) + rec)
PY
}
# money: the first player's money in players.dat.
money() {
    python3 - "$players" <<'PY'
import struct, sys
d = open(sys.argv[1], 'rb').read()
n = struct.unpack_from('<h', d, 8)[0]
print(struct.unpack_from('<i', d, 10 + n + 8)[0])
PY
}
profile Tessa 2 1000
[ "$(money)" = 1000 ] || fail "the prepared players.dat does not read back"

# The 800x600 picture is scaled to fit the window and centred; points are given in game pixels.
at() { awk -v s="$scale" -v ox="$offx" -v oy="$offy" -v x="$1" -v y="$2" \
    'BEGIN { printf "%d %d\n", ox + x * s + 0.5, oy + y * s + 0.5 }'; }
click() {
    local p; p=$(at "$1" "$2")
    # shellcheck disable=SC2086
    x mousemove --window "$wid" $p click 1 || fail "xdotool could not click at ($1, $2)"
}
# drag X0 Y0 X1 Y1: the left button held from one point to the other.
drag() {
    local p q; p=$(at "$1" "$2"); q=$(at "$3" "$4")
    # shellcheck disable=SC2086
    { x mousemove --window "$wid" $p mousedown 1 && x mousemove --window "$wid" $q && x mouseup 1; } ||
        fail "xdotool could not drag from ($1, $2) to ($3, $4)"
}
shot() {
    local w h
    w=$(awk -v s="$scale" 'BEGIN { printf "%d", 800 * s + 0.5 }')
    h=$(awk -v s="$scale" 'BEGIN { printf "%d", 600 * s + 0.5 }')
    timeout 10 xwd -silent -id "$wid" 2>/dev/null |
        "$convert" xwd:- -crop "${w}x${h}+${offx}+${offy}" +repage -resize '800x600!' "png:$tmp/now.png" 2>/dev/null
}
keep() { [ -z "$shots" ] || { mkdir -p "$shots" && cp "$tmp/now.png" "$shots/$1.png"; }; }
pixel() { "$convert" "$tmp/now.png" -depth 8 -format "%[fx:int(255*r+.5)] %[fx:int(255*g+.5)] %[fx:int(255*b+.5)]\n" \
              -crop "1x1+$1+$2" +repage info: 2>/dev/null; }
near() {
    local r g b
    read -r r g b < <(pixel "$1" "$2") || return 1
    [ -n "$b" ] && [ $((r > $3 ? r - $3 : $3 - r)) -le 28 ] && [ $((g > $4 ? g - $4 : $4 - g)) -le 28 ] &&
        [ $((b > $5 ? b - $5 : $5 - b)) -le 28 ]
}
until_shown() {
    local what=$1; shift
    local deadline=$(( $(date +%s) + limit ))
    while [ "$(date +%s)" -lt "$deadline" ]; do
        kill -0 "$pid" 2>/dev/null || fail "the game ended while waiting for $what"
        shot && "$@" && return 0
        sleep 0.2
    done
    fail "$what did not show within $limit s"
}

cd "$content" || fail "cannot enter $content"
# start: runs the game and finds its window.
start() {
    "$app" >>"$tmp/out.txt" 2>>"$tmp/err.txt" &
    pid=$!
    wid=
    for _ in $(seq $((limit * 5))); do
        wid=$(x search --onlyvisible --pid "$pid" --name '^Ember Cook$' 2>/dev/null | head -n 1)
        [ -n "$wid" ] && break
        kill -0 "$pid" 2>/dev/null || fail "the game ended before it opened a window"
        sleep 0.2
    done
    [ -n "$wid" ] || fail "no window appeared within $limit s"
    X='' Y='' WIDTH='' HEIGHT=''
    eval "$(x getwindowgeometry --shell "$wid" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    read -r scale offx offy < <(awk -v w="$WIDTH" -v h="$HEIGHT" \
        'BEGIN { s = w / 800; if (h / 600 < s) s = h / 600; printf "%f %d %d\n", s, (w - 800 * s) / 2, (h - 600 * s) / 2 }')
}
loading() { near 400 100 86 42 19; }
link_ready() { loading && near 400 459 222 215 0; }
name_prompt() { near 450 266 254 254 254; }
title() { near 640 60 46 70 61 && ! name_prompt; }
level() { near 770 554 247 139 47; }
# Play with a day in progress asks first whether to go on with it.
resume_prompt() { near 400 250 45 59 50 && near 345 330 247 141 48; }

# The options over the title, with the music slider's orange thumb within 10 pixels of (X, 248).
options() {
    near 400 200 45 63 54 || return 1
    local t
    for t in $(seq $(($1 - 10)) 2 $(($1 + 10))); do near "$t" 248 244 144 50 && return 0; done
    return 1
}

# First run: the music turned down in the options, OK, and the game quit from its title menu.
start
until_shown "the loading screen with its continue link" link_ready
click 400 459
until_shown "the title menu" title
keep game_title_player
click 598 182
until_shown "the options at the starting volume" options 349
drag 349 248 250 248
until_shown "the music slider moved down" options 250
keep game_options_moved
click 399 386
until_shown "the title menu after the options" title
click 598 302
for _ in $(seq $((limit * 5))); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$pid" 2>/dev/null && fail "the game did not end after Quit"
wait "$pid" || fail "the game ended with an error after Quit"
pid=
[ -n "$(find "$XDG_CONFIG_HOME" -type f 2>/dev/null)" ] || fail "no settings were written under XDG_CONFIG_HOME"

# Second run: the options show the music where it was left.
start
until_shown "the loading screen after the restart" link_ready
click 400 459
until_shown "the title menu after the restart" title
click 598 182
until_shown "the options with the music as it was set" options 250
keep game_options_kept
click 399 386
until_shown "the title menu after the options" title

# The table of best chefs, and back.
scores() { near 400 180 45 62 53 && near 340 527 248 140 48 && near 620 527 28 38 33; }
click 598 242
until_shown "the table of best chefs" scores
keep game_scores
click 400 527
until_shown "the title menu after the table" title

# A second cook created in the cook choice: the new row, then players.dat with her name.
cooks() { near 400 400 86 148 241; }
click 600 64
until_shown "the cook choice" cooks
keep game_cooks
click 400 194
click 208 500
until_shown "the prompt for the new cook's name" name_prompt
x type --window "$wid" --delay 60 "Rosa" || fail "xdotool could not type"
x key --window "$wid" Return || fail "xdotool could not press Return"
until_shown "the new cook chosen in the list" eval "cooks && near 300 237 254 254 254"
keep game_cooks_created
for _ in $(seq $((limit * 5))); do grep -q Rosa "$players" && break; sleep 0.2; done
grep -q Rosa "$players" || fail "players.dat does not hold the new cook"
# Back to the prepared cook for her day in progress.
click 400 216
until_shown "the prepared cook chosen in the list" eval "cooks && near 300 216 254 254 254"
click 208 500
until_shown "the title menu after the cook choice" title

click 598 122
until_shown "the question whether to continue the day in progress" resume_prompt
keep game_resume
click 400 330
until_shown "day 2 under way" level
keep game_day2
kill -0 "$pid" 2>/dev/null || fail "the game ended on its own"
echo "PASSED: a prepared cook, the options kept over a restart, best chefs, a cook created, the day resumed"
exit 0
