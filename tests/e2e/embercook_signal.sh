#!/usr/bin/env bash
# SIGTERM and SIGINT on the headless backend end the program in order: exit code 0, settings saved, the recorded
# demo written, the instance lock gone; the demo then replays to its recorded close by itself.
# Usage: embercook_signal.sh <embercook>
set -u

app=$1
fail() {
    echo "FAILED: $*"
    [ -f "$tmp/err.txt" ] && { echo "--- stderr"; tail -n 20 "$tmp/err.txt"; }
    exit 1
}
[ -x "$app" ] || { echo "FAILED: no program at $app"; exit 1; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/embercook-signal.XXXXXX")
pid=
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT

# Everything the program reads or writes lives in the test's own folders.
export XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data XDG_CACHE_HOME=$tmp/cache XDG_RUNTIME_DIR=$tmp/run
export ZEST_VIDEO=headless ZEST_AUDIO=none
mkdir -p "$XDG_RUNTIME_DIR" "$tmp/cwd"
chmod 700 "$XDG_RUNTIME_DIR"
cd "$tmp/cwd" || fail "no working folder"

# waits until the condition (a shell command) holds, checking every 50 ms, for at most `limit` seconds
wait_for() {
    local limit=$1; shift
    local tries=$((limit * 20))
    while ! "$@"; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.05
    done
}
running() { [ -e "$XDG_RUNTIME_DIR/zest/Ember_CookMutex.lock" ]; }
ended() { ! kill -0 "$pid" 2>/dev/null; }

for sig in TERM INT; do
    rm -rf "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
    demo=$tmp/session-$sig.dmo
    "$app" -record "-demofile=$demo" >"$tmp/out.txt" 2>"$tmp/err.txt" &
    pid=$!
    wait_for 20 running || fail "SIG$sig: the program never took its instance lock"
    kill -s "$sig" "$pid"
    wait_for 20 ended || fail "SIG$sig: still running 20 s after the signal"
    wait "$pid"
    code=$?
    pid=
    [ "$code" -eq 0 ] || fail "SIG$sig: exit code $code, not an orderly 0"
    settings=$XDG_CONFIG_HOME/EmberCook/settings.ini
    grep -q '"InProgress" = int:0' "$settings" 2>/dev/null || fail "SIG$sig: settings not saved at $settings"
    [ -s "$demo" ] || fail "SIG$sig: no recorded demo at $demo"
    running && fail "SIG$sig: the instance lock was left behind"

    # The recording holds the close the signal caused, so its replay ends on its own.
    "$app" -play "-demofile=$demo" >"$tmp/out.txt" 2>"$tmp/err.txt" &
    pid=$!
    wait_for 30 ended || fail "SIG$sig: the replay of the recorded demo did not end by itself"
    wait "$pid"
    code=$?
    pid=
    [ "$code" -eq 0 ] || fail "SIG$sig: the replay ended with code $code"
    echo "SIG$sig: settings saved, demo written ($(stat -c %s "$demo") bytes) and replayed to its end"
done
echo "PASSED"
