#!/usr/bin/env bash
# Kills the real game with SIGKILL at random moments while it saves (profile, high scores, settings, sound cache),
# then checks that every file is one whole version a save wrote, and that the game starts again and reaches its
# title. The kinds take turns; about one kill in five lands during the start instead of the save loop.
# Usage: save_kill.sh <faults_game> <content folder> [kills (default 12)] [seed]
set -u

game=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
content=$(cd "$2" 2>/dev/null && pwd)
kills=${3:-12}
seed=${4:-$(( $(date +%s) % 32768 ))}
fail() {
    echo "FAILED: $*"
    [ -f "$tmp/err.txt" ] && { echo "--- stderr (last lines)"; tail -n 20 "$tmp/err.txt"; }
    exit 1
}
[ -x "$game" ] || { echo "FAILED: no program at $game"; exit 1; }
[ -f "$content/main.pak" ] || { echo "SKIPPED: no built content in $content"; exit 77; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/embercook-kill.XXXXXX")
pid=
cleanup() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    exec 3<&- 2>/dev/null
    [ -n "${KEEP_TMP:-}" ] || rm -rf "$tmp"
}
trap cleanup EXIT

# Everything the game reads or writes lives in the test's own folders; the working folder is the content (by
# links) with one Ogg sound beside it, the kind of sound the game keeps decoded in its cache.
home=$tmp/home
export HOME=$home/home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache
export XDG_RUNTIME_DIR=$tmp/run ZEST_VIDEO=headless ZEST_AUDIO=null
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$tmp/cwd/faults"
chmod 700 "$XDG_RUNTIME_DIR"
for entry in "$content"/*; do ln -s "$(cd "$(dirname "$entry")" && pwd)/$(basename "$entry")" "$tmp/cwd/"; done
cp "$content/music/music2.ogg" "$tmp/cwd/faults/probe.ogg" || fail "no Ogg sound in the content"
cd "$tmp/cwd" || fail "no working folder"

ms() { date +%s%3N; }

# Clean runs write every version a save can leave; the kills are checked against these. The second starts from
# what the first left at its end (values written only at shutdown).
for run in 1 2; do
    "$game" run "--refs=$tmp/refs" >"$tmp/out.txt" 2>>"$tmp/err.txt" || fail "reference run $run did not reach the title"
done

verify() { # [--no-temp]: prints the checker's lines into $tmp/verify.txt
    "$game" verify "--refs=$tmp/refs" "--home=$home" "$@" >"$tmp/verify.txt" 2>>"$tmp/err.txt"
}
# The game starts from what is on disk and reaches its title, within a minute.
start_again() {
    timeout -s KILL 60 "$game" run >"$tmp/out.txt" 2>>"$tmp/err.txt" || fail "after kill $1 the game did not reach its title"
    grep -q '^TITLE .*probe=ok' "$tmp/out.txt" || fail "after kill $1: $(cat "$tmp/out.txt")"
}

kinds=(profile highscores settings cache)
declare -A files=([profile]=players [highscores]=highscores.dat [settings]=settings.ini [cache]=probe.wav)
declare -A tally
RANDOM=$seed
echo "seed $seed, $kills kills"
for ((k = 1; k <= kills; k++)); do
    kind=${kinds[(k - 1) % 4]}
    rm -f "$tmp/pipe"
    mkfifo "$tmp/pipe"
    start=$(ms)
    "$game" run "--save=$kind" >"$tmp/pipe" 2>>"$tmp/err.txt" &
    pid=$!
    exec 3<"$tmp/pipe"
    if ((RANDOM % 5 == 0)); then
        # during the start: settings marked in progress, cache entries checked
        delay=$((RANDOM % 400))
        when="at ${delay} ms after the start"
    else
        while read -r -t 60 -u 3 line && [ "$line" != READY ]; do :; done
        [ "${line:-}" = READY ] || fail "kill $k ($kind): the game never began saving"
        window=40
        [ "$kind" = cache ] && window=400
        delay=$((RANDOM % window))
        when="${delay} ms into the save loop"
        start=$(ms)
    fi
    while (($(ms) - start < delay)); do sleep 0.002; done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null # (no "Killed" line from the shell)
    code=$?
    pid=
    exec 3<&-
    [ "$code" -eq 137 ] || fail "kill $k ($kind): the game ended by itself with code $code before the kill"

    verify || { cat "$tmp/verify.txt"; fail "kill $k ($kind, $when): a file is not a whole saved version"; }
    outcome=$(grep -F "${files[$kind]}" "$tmp/verify.txt" | grep -v temporary | sed 's/^.*\/\([^/]*\) version/\1 v/' |
        tr '\n' ' ')
    temps=$(grep -c temporary "$tmp/verify.txt")
    echo "kill $k: $kind, $when: ${outcome:-no file yet} temporary files left: $temps"
    tally[$kind]+="${outcome:-absent}; "
    tally[$kind.temps]=$((${tally[$kind.temps]:-0} + temps))
    tally[$kind.kills]=$((${tally[$kind.kills]:-0} + 1))
    start_again "$k"
done

# The last start tidied what the cut saves left: nothing but whole files remains.
verify --no-temp || { cat "$tmp/verify.txt"; fail "temporary files survived a start of the game"; }
echo "summary (seed $seed):"
for kind in "${kinds[@]}"; do
    [ -n "${tally[$kind.kills]:-}" ] || continue
    versions=$(echo "${tally[$kind]}" | tr ';' '\n' | sed 's/^ *//' | grep -v '^$' | sort | uniq -c |
        awk '{c=$1; $1=""; printf "%s x%d,", $0, c}')
    echo "  $kind: ${tally[$kind.kills]} kills; files after the kill:${versions%,}; temporary files left: ${tally[$kind.temps]}"
done
echo "PASSED: $kills kills, every file whole, the game reached its title after each"
