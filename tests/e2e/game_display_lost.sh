#!/usr/bin/env bash
# The real game on an X server of its own, the server killed under it: the game must end at once with its message
# and a non-zero exit code, having saved its settings and the demo it records and let go of its instance lock (the
# runtime folder is empty).
# Usage: game_display_lost.sh <embercook> <content folder>. Exits 77 without Xvfb or the window tools.
set -u

app=$1
content=$2
shots=
limit=60
name=display-lost
command -v Xvfb >/dev/null 2>&1 || { echo "SKIPPED: Xvfb is not installed"; exit 77; }

# shellcheck source=game_lib.sh
DISPLAY=${DISPLAY:-:0} . "$(dirname "$0")/game_lib.sh" # (its own display is set below)
server=
server_tmp=$(mktemp -d "${TMPDIR:-/tmp}/embercook-xserver.XXXXXX")
end_server() {
    [ -n "$server" ] && kill -9 "$server" 2>/dev/null
    rm -rf "$server_tmp"
    cleanup
}
trap end_server EXIT
cd "$content" || fail "cannot enter $content"

# Both ways of presenting: into the window's own surface, and through a renderer.
for renderer in software accelerated; do
    # A server of this run's own: Xvfb picks a free display number and writes it to the descriptor.
    rm -f "$server_tmp/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$server_tmp/display" 2>"$server_tmp/log" &
    server=$!
    for _ in $(seq 100); do [ -s "$server_tmp/display" ] && break; sleep 0.1; done
    [ -s "$server_tmp/display" ] || { cat "$server_tmp/log"; fail "Xvfb did not start"; }
    export DISPLAY=:$(head -n 1 "$server_tmp/display") ZEST_RENDERER=$renderer
    rm -rf "$XDG_CONFIG_HOME"
    : >"$tmp/err.txt"

    # The window is shown once start-up is over: the game is then drawing and talking to the server.
    start_game -record "-demofile=$tmp/$renderer.dmo"
    kill -9 "$server"
    killed=$(date +%s%N)
    # It ends within a tenth of a second or so; the bound leaves room for the settings' flush to disk on a busy
    # machine.
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
    kill -0 "$pid" 2>/dev/null && { cat "$tmp/err.txt"; fail "$renderer: still running 5 s after losing its server"; }
    wait "$pid"
    code=$?
    pid=
    wait "$server" 2>/dev/null
    server=
    echo "$renderer: ended $(( ($(date +%s%N) - killed) / 1000000 )) ms after the server, exit code $code"
    [ "$code" -ne 0 ] || fail "$renderer: exit code 0 after losing the display"
    grep -q "The connection to the display $DISPLAY was lost" "$tmp/err.txt" ||
        { cat "$tmp/err.txt"; fail "$renderer: no message about the lost display"; }
    grep -q '"InProgress" = int:0' "$XDG_CONFIG_HOME"/*/*/settings.ini 2>/dev/null ||
        fail "$renderer: the settings were not saved"
    [ -s "$tmp/$renderer.dmo" ] || fail "$renderer: the demo being recorded was not saved"
    [ -z "$(find "$XDG_RUNTIME_DIR" -type f)" ] ||
        fail "$renderer: left behind in the runtime folder: $(find "$XDG_RUNTIME_DIR" -type f)"
done
echo "PASSED"
