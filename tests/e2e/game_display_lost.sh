#!/usr/bin/env bash
# The real game on an X server of its own, the server killed under it: the game must end within 2 s with its message
# and a non-zero exit code, having saved its settings and let go of its instance lock (the runtime folder is empty).
# Usage: game_display_lost.sh <embercook> <content folder>. Exits 77 without Xvfb or the window tools.
set -u

app=$1
content=$2
shots=
limit=60
name=display-lost
command -v Xvfb >/dev/null 2>&1 || { echo "SKIPPED: Xvfb is not installed"; exit 77; }

# A server of this test's own: Xvfb picks a free display number and writes it to the descriptor.
server_tmp=$(mktemp -d "${TMPDIR:-/tmp}/embercook-xserver.XXXXXX")
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$server_tmp/display" 2>"$server_tmp/log" &
server=$!
for _ in $(seq 100); do [ -s "$server_tmp/display" ] && break; sleep 0.1; done
[ -s "$server_tmp/display" ] || { echo "FAILED: Xvfb did not start"; cat "$server_tmp/log"; exit 1; }
export DISPLAY=:$(head -n 1 "$server_tmp/display")

# shellcheck source=game_lib.sh
. "$(dirname "$0")/game_lib.sh"
end_server() {
    kill -9 "$server" 2>/dev/null
    rm -rf "$server_tmp"
    cleanup
}
trap end_server EXIT

cd "$content" || fail "cannot enter $content"
start_game
until_shown "the loading screen" loading

kill -9 "$server"
killed=$(date +%s%N)
for _ in $(seq 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
kill -0 "$pid" 2>/dev/null && fail "still running 2 s after its X server was killed"
wait "$pid"
code=$?
pid=
echo "ended $(( ($(date +%s%N) - killed) / 1000000 )) ms after the server, exit code $code"
[ "$code" -ne 0 ] || fail "exit code 0 after losing the display"
grep -q "The connection to the display $DISPLAY was lost" "$tmp/err.txt" || fail "no message about the lost display"
grep -q '"InProgress" = int:0' "$XDG_CONFIG_HOME"/*/*/settings.ini 2>/dev/null || fail "the settings were not saved"
[ -z "$(find "$XDG_RUNTIME_DIR" -type f)" ] || fail "left behind in the runtime folder: $(find "$XDG_RUNTIME_DIR" -type f)"
echo "PASSED"
