#!/usr/bin/env bash
# The long bot runs, kept out of ./test: the game bot plays a new cook for at least 30 minutes of game time under
# AddressSanitizer + UndefinedBehaviorSanitizer (asan) or ThreadSanitizer (tsan), with the loading thread, the
# cursor thread and the audio mixing thread running, then checks that no sanitizer reported anything and that
# the program's heap stayed flat after the first day (reports resident memory beside it). Builds its configuration
# first.
# usage: tests/long/bot_long_run.sh asan|tsan [game minutes, default 30] [game_bot options...]
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
kind=${1:-asan}
minutes=${2:-30}
shift $(( $# >= 2 ? 2 : $# ))
case $kind in
    asan) dir=$root/build/sanitize
          flags=(-DCMAKE_BUILD_TYPE=Debug -DZEST_SANITIZE=ON -DZEST_BENCH=OFF "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g")
          export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}
          export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} ;;
    tsan) dir=$root/build/tsan
          flags=(-DCMAKE_BUILD_TYPE=Debug -DZEST_TSAN=ON -DZEST_BENCH=OFF "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g")
          export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=0:second_deadlock_stack=1} ;;
    *) echo "usage: $0 asan|tsan [game minutes] [game_bot options...]"; exit 2 ;;
esac
"$root/deps/install" >/dev/null || { echo "could not install the required packages"; exit 1; }
export CCACHE_BASEDIR=$root
cmake -S "$root" -B "$dir" -G Ninja "${flags[@]}" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
ninja -C "$dir" -j "${JOBS:-3}" game_bot content >"$dir.build.log" 2>&1 || { tail -n 40 "$dir.build.log"; exit 1; }

log=$(mktemp "${TMPDIR:-/tmp}/embercook-long-$kind.XXXXXX")
echo "== $kind: the bot plays $minutes minutes of game time (log: $log)"
started=$(date +%s)
# The null output mixes in real time on its own thread, as a sound card would pull.
ZEST_AUDIO=${ZEST_AUDIO:-null} "$root/tests/bot/run_bot.sh" "$dir/tests/game_bot" "$dir/content/main.pak" \
    "$root/content/music" --game-minutes "$minutes" --tries 1000 "$@" >"$log" 2>&1
status=$?
grep -E '^day|^bot' "$log"
echo "== $kind: $(( $(date +%s) - started )) s wall, exit status $status"

fail=0
if grep -qE 'ERROR: AddressSanitizer|ERROR: LeakSanitizer|runtime error:|WARNING: ThreadSanitizer' "$log"; then
    echo "FAILED: the sanitizer reported:"
    grep -E -A 12 'ERROR: AddressSanitizer|ERROR: LeakSanitizer|runtime error:|WARNING: ThreadSanitizer' "$log" | head -n 80
    fail=1
fi
[ "$status" -eq 0 ] || { echo "FAILED: the bot ended with status $status"; tail -n 20 "$log"; fail=1; }
# Memory at the end of each day: after the first day it may not keep growing. The program's own heap is what must
# stay flat; resident memory is reported beside it, as it also holds the sanitizer's shadow and bookkeeping, which
# grow with every address and every distinct stack the run has touched.
read -r first last peak hfirst hlast hpeak < <(awk '/^day/ { r = h = 0; for (i = 1; i <= NF; ++i) { if ($i == "rss") r = $(i + 1); if ($i == "heap") h = $(i + 1) }
                                  if (!n++) { f = r; hf = h } l = r; hl = h; if (r > p) p = r; if (h > hp) hp = h }
                                  END { print f + 0, l + 0, p + 0, hf + 0, hl + 0, hp + 0 }' "$log")
echo "resident memory: after day 1 $first kB, at the last day $last kB, highest day end $peak kB"
echo "program heap: after day 1 $hfirst kB, at the last day $hlast kB, highest day end $hpeak kB"
if [ "$hfirst" -gt 0 ]; then
    if [ "$hlast" -gt $(( hfirst * 5 / 4 + 20000 )) ]; then
        echo "FAILED: the program's heap grew after the first day ($hfirst kB -> $hlast kB)"
        fail=1
    fi
elif [ "${first:-0}" -gt 0 ] && [ "$last" -gt $(( first * 5 / 4 + 20000 )) ]; then
    echo "FAILED: memory grew after the first day ($first kB -> $last kB)"
    fail=1
fi
[ "$fail" -eq 0 ] && echo "== $kind: clean"
exit "$fail"
