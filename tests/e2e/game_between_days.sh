#!/usr/bin/env bash
# The real game with its real content for a returning cook prepared in players.dat at day 2: the music turned down in
# the options must still be down after Quit and a restart; the options' full-screen box follows Alt+Enter and brings
# the full screen back; Escape closes the options and the table of best chefs; a second cook created, renamed (a
# taken name refused) and deleted, with players.dat read back after each step; Play must offer the prepared cook's
# day in progress and resume it.
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
full_w=$WIDTH full_h=$HEIGHT
until_shown "the loading screen after the restart" link_ready
click 400 459
until_shown "the title menu after the restart" title
click 598 182
until_shown "the options with the music as it was set" options 250
full_screen_ticked() { near 434 293 86 157 64; }
full_screen_clear() { near 434 293 249 234 199; }
full_screen_ticked || fail "the options do not show the full screen the game starts in"
keep game_options_kept

# Alt+Enter while the options show: the game goes into an 800x600 window and the box says so at once; Escape
# closes the options as OK does, keeping the window; ticking the box and OK bring the full screen back.
key alt+Return
until_size 800 600
until_shown "the options with full screen unticked" eval "options 250 && full_screen_clear"
keep game_options_windowed
key Escape
until_shown "the title menu in a window after Escape" title
click 598 182
until_shown "the options again, full screen still unticked" eval "options 250 && full_screen_clear"
click 434 293
until_shown "the full-screen box ticked" eval "options 250 && full_screen_ticked"
click 399 386
until_size "$full_w" "$full_h"
until_shown "the title menu full screen again" title

# The table of best chefs, closed with Escape.
scores() { near 400 180 45 62 53 && near 340 491 248 140 48 && near 620 491 28 38 33; }
click 598 242
until_shown "the table of best chefs" scores
keep game_scores
key Escape
until_shown "the title menu after the table" title

# players.dat read back: the current cook's number, then one name a line.
cooks_in_file() {
    python3 - "$players" <<'PY'
import struct, sys
d = open(sys.argv[1], 'rb').read()
magic, current = struct.unpack_from('<ii', d, 0)
print(current)
at = 8
while at < len(d):
    n = struct.unpack_from('<h', d, at)[0]
    print(d[at + 2:at + 2 + n].decode('latin-1'))
    at += 2 + n + 4 * 3 + 2 + 4 * (8 + 7 + 1 + 60 + 60 + 30)
PY
}
[ "$(cooks_in_file | tr '\n' ' ')" = "0 Tessa " ] || fail "the prepared players.dat does not list Tessa alone"

# A second cook created in the cook choice: the new row, then players.dat with her name.
cooks() { near 400 400 59 95 134; }
click_until "the cook choice" 600 64 cooks
keep game_cooks
click 400 164
click 208 500
until_shown "the prompt for the new cook's name" name_prompt
x type --window "$wid" --delay 60 "Rosa" || fail "xdotool could not type"
key Return
until_shown "the new cook chosen in the list" eval "cooks && near 300 220 254 254 254"
keep game_cooks_created
for _ in $(seq $((limit * 5))); do grep -q Rosa "$players" && break; sleep 0.2; done
[ "$(cooks_in_file | tr '\n' ' ')" = "0 Tessa Rosa " ] || fail "players.dat does not hold the new cook after Tessa"

# Renamed: first to a name another cook has (refused with a message), then to a free one. The field comes with the
# old name selected, so typing replaces it.
taken() { near 400 388 244 117 34 && near 300 378 247 137 46 && near 400 300 37 51 44; }
click 590 500
until_shown "the prompt for Rosa's new name" name_prompt
keep game_cook_rename
x type --window "$wid" --delay 60 "Tessa" || fail "xdotool could not type"
key Return
until_shown "the message that the name is taken" taken
keep game_cook_name_taken
click 400 378
until_shown "the cook choice after the message" eval "cooks && near 300 220 254 254 254"
click 590 500
until_shown "the prompt for Rosa's new name again" name_prompt
x type --window "$wid" --delay 60 "Marta" || fail "xdotool could not type"
key Return
until_shown "the renamed cook in the list" eval "cooks && near 300 220 254 254 254"
keep game_cooks_renamed

# Deleted after the question, answered Yes: the selection moves up to Tessa.
question() { near 270 377 248 139 47 && near 460 377 248 139 47 && ! near 400 377 248 139 47; }
click 400 500
until_shown "the question whether to delete Marta" question
keep game_cook_delete
click 270 377
deleted() { cooks && near 300 186 254 254 254 && ! near 300 220 254 254 254; }
until_shown "the list without Marta, Tessa chosen" deleted
keep game_cooks_deleted
# Rename and delete are kept in memory; choosing writes the file.
[ "$(cooks_in_file | tr '\n' ' ')" = "0 Tessa Rosa " ] || fail "players.dat changed before a cook was chosen"
click 208 500
until_shown "the title menu after the cook choice" title
for _ in $(seq $((limit * 5))); do [ "$(cooks_in_file | tr '\n' ' ')" = "0 Tessa " ] && break; sleep 0.2; done
[ "$(cooks_in_file | tr '\n' ' ')" = "0 Tessa " ] ||
    fail "players.dat after the choice holds: $(cooks_in_file | tr '\n' ' ')(Tessa alone and current expected)"

click 598 122
until_shown "the question whether to continue the day in progress" resume_prompt
keep game_resume
click 400 330
until_shown "day 2 under way" level
keep game_day2
kill -0 "$pid" 2>/dev/null || fail "the game ended on its own"
echo "PASSED: a prepared cook, the options kept over a restart, the screen mode, best chefs," \
    "a cook created, renamed and deleted, the day resumed"
exit 0
