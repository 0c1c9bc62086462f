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
# Generous bounds: on two busy cores the game is slower to start and to draw, which must not fail the test.
limit=60
name=between-days
# shellcheck source=game_lib.sh
. "$(dirname "$0")/game_lib.sh"
command -v python3 >/dev/null 2>&1 || skip "python3 is not installed"
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

cd "$content" || fail "cannot enter $content"
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
start_game
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
start_game
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
