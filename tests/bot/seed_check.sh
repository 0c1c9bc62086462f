#!/usr/bin/env bash
# Plays the same headless, unpaced bot session twice with one seed: the state hash after every update and the line
# of every day must be the same in both runs. A short third run without --hashes must not claim a state hash.
# usage: seed_check.sh GAME_BOT MAIN_PAK MUSIC_DIR SEED [game_bot options for both runs...]
set -u
bot=$1 pak=$2 music=$3 seed=$4
shift 4
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d "${TMPDIR:-/tmp}/embercook-seed.XXXXXX")
[ -n "${KEEP_TMP:-}" ] || trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAILED: $*"; exit 1; }
# The day lines without their wall time and memory figures, which differ between any two runs.
days() { grep '^day' "$1" | sed 's/  wall .*//'; }

for run in 1 2; do
    "$here/run_bot.sh" "$bot" "$pak" "$music" --seed "$seed" --hashes "$tmp/hashes$run.txt" "$@" >"$tmp/run$run.out" 2>&1 ||
        { cat "$tmp/run$run.out"; fail "run $run did not finish"; }
    days "$tmp/run$run.out"
done
[ -s "$tmp/hashes1.txt" ] || fail "no state hashes were written"
if ! cmp -s "$tmp/hashes1.txt" "$tmp/hashes2.txt"; then
    first=$(diff "$tmp/hashes1.txt" "$tmp/hashes2.txt" | grep -m 1 '^[<>]')
    fail "the two runs of seed $seed differ; first difference: $first"
fi
diff <(days "$tmp/run1.out") <(days "$tmp/run2.out") || fail "the day results differ"
summary=$("$here/run_bot.sh" "$bot" "$pak" "$music" --seed "$seed" --updates 1 2>&1 | grep '^bot:')
case $summary in
*"no state hash taken"*) ;;
*) fail "a run without --hashes reports: $summary" ;;
esac
echo "seed $seed: both runs identical over $(wc -l <"$tmp/hashes1.txt") updates"
