#!/usr/bin/env bash
# The real game with its real content on an X display, started for the first time in an empty home folder: logos,
# loading, the name prompt (a name typed), the title menu, the map with its story, day 1 with its first hint, the
# in-game menu and how to play, a swap played; players.dat must then hold the new cook. Screenshots of each screen go
# to the screenshot folder.
# Usage: game_first_start.sh <embercook> <content folder> [screenshot folder]. Exits 77 without a display or tool.
set -u

app=$1
content=$2
shots=${3:-}
# Generous bounds: on two busy cores the game is slower to start and to draw, which must not fail the test.
limit=60
name=first-start
# shellcheck source=game_lib.sh
. "$(dirname "$0")/game_lib.sh"

cd "$content" || fail "cannot enter $content"
start_game

# What the other screens show at a few points (game pixels).
logos() { near 400 100 35 19 11 && near 20 20 35 19 11; }
map_story() { near 640 60 153 210 230 && near 770 554 27 38 33; }
hint() { level && near 560 400 251 237 207; }

# The logos last a second or two: a slow shot may come only after them, which is no fault of the game's.
until_shown "the logos or the loading screen" eval "logos || loading"
if logos; then keep game_logos; else echo "note: the logos had passed by the first shot"; fi
until_shown "the loading screen with its continue link" link_ready
keep game_loading

# The link leads to the first-start prompt for a name: the field comes preselected, so typing replaces it.
click 400 459
until_shown "the name prompt" name_prompt
keep game_first_prompt
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
menu() { near 400 300 48 67 57 && near 470 179 250 146 56; }
until_shown "the in-game menu" menu
keep game_menu

# How to play from the menu: its first page, then the last with its Next greyed; Close goes back to the menu.
how_page1() { near 160 548 247 137 46 && near 640 534 251 184 115 && near 400 300 62 78 70; }
how_page4() { near 160 548 247 137 46 && near 640 534 207 196 181 && near 400 300 39 54 47; }
click 230 485
until_shown "the first page of how to play" how_page1
keep game_how_to_play
for _ in 1 2; do
    click 680 544
    sleep 0.7 # apart enough not to count as a double click
done
sleep 0.5
shot
keep game_how_to_play_page3
click 680 544
until_shown "the last page of how to play" how_page4
keep game_how_to_play_end
click 170 546
until_shown "the in-game menu after how to play" menu
click 396 174
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
echo "PASSED: logos, loading, name prompt, title, map, day 1 with a swap, in-game menu, how to play;" \
    "players.dat written"
exit 0
