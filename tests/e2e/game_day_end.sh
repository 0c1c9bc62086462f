#!/usr/bin/env bash
# The real game with its real content, a new cook left idle through day 1: the day's opening card, then the day
# running out with nothing earned, the game-over window with its two buttons, and its Map button leading back to the
# map's shop (the chef's story is told once, on the way in). players.dat must then hold the day as lost (still day 1,
# no money). Screenshots go to the screenshot folder.
# The day lasts two minutes of game time, so this test runs on an X server of its own (when xvfb-run is there):
# it needs no other test to stand still meanwhile.
# Usage: game_day_end.sh <embercook> <content folder> [screenshot folder]. Exits 77 without a display or tool.
set -u

if [ -z "${EMBERCOOK_OWN_DISPLAY:-}" ] && command -v xvfb-run >/dev/null 2>&1; then
    EMBERCOOK_OWN_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" "$@"
fi

app=$1
content=$2
shots=${3:-}
# Generous bounds: on two busy cores the game is slower to start and to draw, which must not fail the test.
limit=60
name=day-end
# shellcheck source=game_lib.sh
. "$(dirname "$0")/game_lib.sh"
command -v python3 >/dev/null 2>&1 || skip "python3 is not installed"

cd "$content" || fail "cannot enter $content"
start_game

map_story() { near 640 60 153 210 230 && near 770 554 27 38 33; }
shop() { near 160 50 216 91 24 && near 30 300 41 56 48; }
hint() { level && near 560 400 251 237 207; }
day_card() { level && near 250 250 45 62 53 && near 300 170 49 68 58; }
game_over() { near 400 214 60 43 40 && near 340 466 247 137 46 && near 340 526 247 137 46; }

until_shown "the loading screen with its continue link" link_ready
click 400 459
until_shown "the name prompt" name_prompt
x type --window "$wid" --delay 60 "Tessa" || fail "xdotool could not type"
key Return
until_shown "the title menu" title
click 598 122
until_shown "the map with the story" map_story
click 693 567
# The card stays a few seconds: on a busy machine a slow shot may come only after it, which is no fault of the game's.
until_shown "the card that opens day 1 or the hint after it" eval "day_card || hint"
if day_card; then keep game_day_card; else echo "note: the day's opening card had passed by the first shot"; fi
until_shown "day 1 with its first hint" hint
# "Don't show hints" and continue: the day then runs out with nobody served.
click 511 482
sleep 0.5
click 705 482
until_shown "day 1 without the hint" level

# Two minutes of game time; the game may run behind the clock on a busy machine.
limit=400
until_shown "the game-over window at the end of the day" game_over
limit=60
sleep 1 # the panel comes to rest half a second after it first shows in full
shot
keep game_over

# players.dat: still day 1 (a lost day is not passed), no money earned.
read -r level money < <(python3 - "$players" <<'PY'
import struct, sys
d = open(sys.argv[1], 'rb').read()
n = struct.unpack_from('<h', d, 8)[0]
level, _, money = struct.unpack_from('<iii', d, 10 + n)
print(level, money)
PY
)
[ "$level" = 1 ] && [ "$money" = 0 ] || fail "players.dat holds level $level and money $money after the lost day"

click 400 526
until_shown "the shop after the lost day" shop
keep game_over_map

kill -0 "$pid" 2>/dev/null || fail "the game ended on its own"
echo "PASSED: day 1 opened with its card, ran out, the game-over window, back to the map's shop; players.dat kept"
exit 0
