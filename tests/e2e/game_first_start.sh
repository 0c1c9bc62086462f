#!/usr/bin/env bash
# The real game with its real content on an X display, started for the first time in an empty home folder: logos,
# loading, the name prompt (a name typed), the title menu, the map with its story, day 1 with its first hint, a swap
# played; players.dat must then hold the new cook. Screenshots of each screen go to the screenshot folder.
# Usage: game_first_start.sh <embercook> <content folder> [screenshot folder]. Exits 77 without a display or tool.
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
        cp "$tmp/now.png" "$shots/game_failed.png" && echo "--- last screen: $shots/game_failed.png"
    exit 1
}

[ -n "${DISPLAY:-}" ] || skip "no X display"
command -v xdotool >/dev/null 2>&1 || skip "xdotool is not installed"
command -v xwd >/dev/null 2>&1 || skip "xwd is not installed"
[ -x "$convert" ] || skip "ImageMagick's convert is not installed"
[ -x "$app" ] || fail "no program at $app"
[ -f "$content/main.pak" ] || fail "no main.pak in $content (build the content target)"

x() { timeout 10 xdotool "$@"; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/embercook-first-start.XXXXXX")
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

# An empty home: no settings, players, high scores or sound cache of the user's, and a lock of its own.
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/config XDG_DATA_HOME=$tmp/home/data XDG_CACHE_HOME=$tmp/home/cache
export XDG_RUNTIME_DIR=$tmp/run ZEST_AUDIO=null
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
players=$XDG_DATA_HOME/Quillbrook/EmberCook/players.dat

cd "$content" || fail "cannot enter $content"
started=$(date +%s%N)
"$app" >"$tmp/out.txt" 2>"$tmp/err.txt" &
pid=$!

wid=
for _ in $(seq $((limit * 5))); do
    wid=$(x search --onlyvisible --pid "$pid" --name '^Ember Cook$' 2>/dev/null | head -n 1)
    [ -n "$wid" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the game ended before it opened a window"
    sleep 0.2
done
[ -n "$wid" ] || fail "no window appeared within $limit s"
echo "first window after $(( ($(date +%s%N) - started) / 1000000 )) ms"

# The 800x600 picture is scaled to fit the window and centred; points are given in game pixels.
X='' Y='' WIDTH='' HEIGHT=''
eval "$(x getwindowgeometry --shell "$wid" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
read -r scale offx offy < <(awk -v w="$WIDTH" -v h="$HEIGHT" \
    'BEGIN { s = w / 800; if (h / 600 < s) s = h / 600; printf "%f %d %d\n", s, (w - 800 * s) / 2, (h - 600 * s) / 2 }')
at() { awk -v s="$scale" -v ox="$offx" -v oy="$offy" -v x="$1" -v y="$2" \
    'BEGIN { printf "%d %d\n", ox + x * s + 0.5, oy + y * s + 0.5 }'; }
click() {
    local p; p=$(at "$1" "$2")
    # shellcheck disable=SC2086
    x mousemove --window "$wid" $p click 1 || fail "xdotool could not click at ($1, $2)"
}

# shot: the window's picture, back in game pixels, as $tmp/now.png.
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
# near X Y R G B: the game pixel (X, Y) of the last shot is within 28 of the colour in each channel.
near() {
    local r g b
    read -r r g b < <(pixel "$1" "$2") || return 1
    [ -n "$b" ] && [ $((r > $3 ? r - $3 : $3 - r)) -le 28 ] && [ $((g > $4 ? g - $4 : $4 - g)) -le 28 ] &&
        [ $((b > $5 ? b - $5 : $5 - b)) -le 28 ]
}
# until_shown <what> <predicate...>: takes shots until the predicate holds for one, within the limit.
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

# What each screen shows at a few points (game pixels).
logos() { near 400 100 35 19 11 && near 20 20 35 19 11; }
loading() { near 400 100 86 42 19; }
link_ready() { loading && near 400 459 222 215 0; }
name_prompt() { near 450 266 254 254 254; }
title() { near 640 60 46 70 61 && ! name_prompt; }
map_story() { near 640 60 153 210 230 && near 770 554 27 38 33; }
level() { near 770 554 247 139 47; }
hint() { level && near 560 400 251 237 207; }

# The logos last a second or two: a slow shot may come only after them, which is no fault of the game's.
until_shown "the logos or the loading screen" eval "logos || loading"
if logos; then keep game_logos; else echo "note: the logos had passed by the first shot"; fi
until_shown "the loading screen with its continue link" link_ready
keep game_loading

# The link leads to the first-start prompt for a name: the field comes preselected, so typing replaces it.
click 400 459
until_shown "the name prompt" name_prompt
x type --window "$wid" --delay 60 "Tessa" || fail "xdotool could not type"
x key --window "$wid" Return || fail "xdotool could not press Return"
until_shown "the title menu" title
keep game_title
for _ in $(seq $((limit * 5))); do [ -s "$players" ] && break; sleep 0.2; done
[ -s "$players" ] || fail "players.dat was not written after the name was given"
grep -q "Tessa" "$players" || fail "players.dat does not hold the new cook's name"

# Play: the map with the chef's story first, then its continue button starts day 1.
click 598 122
until_shown "the map with the story" map_story
keep game_map
click 693 567
until_shown "day 1 with its first hint" hint
keep game_level

# "Don't show hints" and continue: no later hint may then swallow the clicks below.
click 511 482
sleep 0.5
click 705 482
until_shown "day 1 without the hint" level

# The in-game menu over the level: its chalk panel covers the field; its continue button goes back to play.
click 744 554
# At rest once its continue button stands under the point the player clicks.
menu() { near 400 300 48 67 57 && near 470 215 250 146 56; }
until_shown "the in-game menu" menu
keep game_menu
click 396 210
until_shown "day 1 after the menu" level

# The hinted swap: the piece at (530, 265) moves up into (530, 216), whose cheese gives way.
sleep 1
shot
read -r r0 g0 b0 < <(pixel 530 216)
moved() { ! near 530 216 "$r0" "$g0" "$b0"; }
click 530 265
sleep 0.7 # apart enough not to count as a double click
click 530 216
until_shown "the swap" moved
sleep 1
shot && keep game_played

kill -0 "$pid" 2>/dev/null || fail "the game ended on its own"
echo "PASSED: logos, loading, name prompt, title, map, day 1 with a swap, in-game menu; players.dat written"
exit 0
