#!/usr/bin/env bash
# The game bot in a real window (SDL under an X display, e.g. Xvfb): it plays a new cook through day 1, stops while
# the level-complete window shows its tally and again in the shop after its first purchase, and the window's
# picture is taken from outside each time. Then it plays on to the end of day 2.
# Usage: game_bot_screens.sh <game_bot> <content folder> [screenshot folder]. Exits 77 without a display or tool.
set -u

app=$1
content=$2
shots=${3:-}
limit=${LIMIT:-240}
name=bot_screens
# shellcheck source=game_lib.sh
source "$(dirname "$0")/game_lib.sh"
cd "$content" || fail "no content folder at $content"

start_game --days 2 --draw-every 2 --pause-file "$tmp/go" --pause-at-result --pause-at-shop

# paused <what>: waits until the bot says it stands still at <what>.
paused() {
    local deadline=$(( $(date +%s) + limit ))
    while [ "$(date +%s)" -lt "$deadline" ]; do
        grep -q "^PAUSED $1" "$tmp/out.txt" && return 0
        kill -0 "$pid" 2>/dev/null || fail "the bot ended before it reached $1"
        sleep 0.2
    done
    fail "the bot did not reach $1 within $limit s"
}
# The tally: white text on the window, the dimmed play field around it.
paused level_complete
sleep 0.5
shot
keep game_level_complete
near 20 300 0 0 0 || echo "note: the field around the tally is not dimmed at (20, 300)"
touch "$tmp/go"
paused shop
sleep 0.5
shot
keep game_shop
touch "$tmp/go"
for _ in $(seq $((limit * 5))); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$pid" 2>/dev/null && fail "the bot did not finish day 2 within $limit s"
wait "$pid"
status=$?
pid=
grep -E '^day|^bot' "$tmp/out.txt"
[ "$status" -eq 0 ] || fail "the bot ended with status $status"
echo "bot screens: level complete and shop taken"
