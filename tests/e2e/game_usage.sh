#!/usr/bin/env bash
# The game's command line: --help prints the usage on standard output and ends with code 0; an unknown switch names
# itself and the usage on standard error and ends with code 2, before any window opens (no display needed).
# Usage: game_usage.sh <embercook>
set -u
app=$1
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
run() { env -u DISPLAY XDG_RUNTIME_DIR="$home" XDG_DATA_HOME="$home" XDG_CONFIG_HOME="$home" XDG_CACHE_HOME="$home" \
        ZEST_AUDIO=none "$app" "$@" >"$home/out.txt" 2>"$home/err.txt"; }
fail() { echo "FAILED: $*"; echo "--- stdout"; cat "$home/out.txt"; echo "--- stderr"; cat "$home/err.txt"; exit 1; }

run --help
code=$?
[ "$code" = 0 ] || fail "--help ended with code $code"
grep -q '^Usage: embercook ' "$home/out.txt" || fail "--help printed no usage"
grep -q -- '-demofile=FILE' "$home/out.txt" || fail "the usage does not list -demofile"
[ ! -s "$home/err.txt" ] || fail "--help wrote to standard error"

run --no-such-switch
code=$?
[ "$code" = 2 ] || fail "an unknown switch ended with code $code"
grep -q 'unknown switch: --no-such-switch' "$home/err.txt" || fail "the unknown switch was not named"
grep -q '^Usage: embercook ' "$home/err.txt" || fail "no usage after the unknown switch"
grep -q 'FATAL' "$home/err.txt" && fail "an unknown switch is a usage error, not a fatal one"
echo "PASSED: --help and an unknown switch"
exit 0
