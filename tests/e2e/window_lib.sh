# Shared by the window tests of the framework's programs: the tool checks, bounded X calls, a temporary folder that
# holds the program's output, settings, data, caches and instance lock, and the clean-up that ends the program.
# The sourcing script sets app (the program) and may set convert; it starts the program with its pid in $pid.
# Needs bash; sourced, not run.

convert=${convert:-/usr/bin/convert}

skip() { echo "SKIPPED: $*"; exit 77; }
fail() {
    echo "FAILED: $*"
    [ -n "${tmp:-}" ] && [ -f "$tmp/out.txt" ] && { echo "--- stdout"; cat "$tmp/out.txt"; }
    [ -n "${tmp:-}" ] && [ -f "$tmp/err.txt" ] && { echo "--- stderr (tail)"; tail -n 60 "$tmp/err.txt"; }
    exit 1
}

[ -n "${DISPLAY:-}" ] || skip "no X display"
command -v xdotool >/dev/null 2>&1 || skip "xdotool is not installed"
command -v xwd >/dev/null 2>&1 || skip "xwd is not installed"
[ -n "$convert" ] && [ -x "$convert" ] || skip "ImageMagick's convert is not installed"
[ -x "$app" ] || fail "no program at $app"

# Every X call is bounded: a wedged server must fail the test, not hang it.
x() { timeout 5 xdotool "$@"; }

tmp=$(mktemp -d)
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

# Settings, data, caches and the instance lock go to the fresh folder, so the run neither reads nor leaves anything
# of the user's, and a copy of the program the user runs meanwhile cannot take its place.
export XDG_CONFIG_HOME=$tmp/config XDG_DATA_HOME=$tmp/data XDG_CACHE_HOME=$tmp/cache XDG_RUNTIME_DIR=$tmp/run
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
