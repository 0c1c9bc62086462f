#!/usr/bin/env bash
# Records a bot session through the game's demo recorder, then replays the demo headless in the same home: the
# state hash after every update must be the same in both runs, and the replay must leave the home (players, high
# scores, settings, caches) exactly as the recording left it.
# usage: replay_check.sh GAME_BOT MAIN_PAK MUSIC_DIR UPDATES [game_bot options for both runs...]
set -u
bot=$1 pak=$2 music=$3 updates=$4
shift 4
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d "${TMPDIR:-/tmp}/embercook-replay.XXXXXX")
[ -n "${KEEP_TMP:-}" ] || trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAILED: $*"; exit 1; }
snapshot() { (cd "$tmp/home" && find . -type f ! -path './run/*' -print0 | sort -z | xargs -0 -r sha256sum); }

started=$(date +%s)
KEEP_HOME=$tmp/home "$here/run_bot.sh" "$bot" "$pak" "$music" --updates "$updates" --record "$tmp/session.dmo" \
    --hashes "$tmp/recorded.txt" "$@" >"$tmp/record.out" 2>&1
tail -n 1 "$tmp/record.out"
[ -s "$tmp/session.dmo" ] || { cat "$tmp/record.out"; fail "no demo was written"; }
snapshot >"$tmp/before.txt"; [ -z "${KEEP_TMP:-}" ] || cp "$tmp/home/config/Quillbrook/CookEmber/settings.ini" "$tmp/settings.before" 2>/dev/null
KEEP_HOME=$tmp/home "$here/run_bot.sh" "$bot" "$pak" "$music" --replay "$tmp/session.dmo" \
    --hashes "$tmp/replayed.txt" "$@" >"$tmp/replay.out" 2>&1
tail -n 1 "$tmp/replay.out"
snapshot >"$tmp/after.txt"

recorded=$(wc -l <"$tmp/recorded.txt") replayed=$(wc -l <"$tmp/replayed.txt")
echo "recorded $recorded updates ($(grep -c '^day' "$tmp/record.out") days played), replayed $replayed;" \
     "demo $(stat -c %s "$tmp/session.dmo") bytes; $(( $(date +%s) - started )) s"
if ! cmp -s "$tmp/recorded.txt" "$tmp/replayed.txt"; then
    first=$(diff <(cat "$tmp/recorded.txt") <(cat "$tmp/replayed.txt") | grep -m 1 '^[<>]')
    fail "the replay differs from the recording; first difference: $first"
fi
[ "$recorded" -ge "$updates" ] || fail "the session ended after $recorded updates"
diff "$tmp/before.txt" "$tmp/after.txt" >/dev/null || { diff "$tmp/before.txt" "$tmp/after.txt"; fail "the replay changed files in the home"; }
echo "replay identical over $recorded updates; the home is unchanged"
