#!/usr/bin/env bash
# Measures the real game under a private Xvfb at 800x600: time to first window, processor use of the game and of the
# X server while the title idles, while a day plays untouched and while a day is played by clicks, and peak memory.
# Usage: tools/measure_game.sh [embercook] [content folder]
#   MEASURE_RUNS (3) runs, MEASURE_SECONDS (30) seconds per sample; prints min/median/max of each figure.
#   MEASURE_PHASES lists the samples to take (default "title level played"); MEASURE_PERF=FILE records a profile of
#   the game during each sample (perf record, call graphs), in FILE.<sample>; MEASURE_SHOTS=DIR keeps a screenshot of
#   the window at the end of each sample there. Not part of the test run: it takes minutes.
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
app=$(realpath "${1:-$root/build/release/game/embercook}")
content=$(realpath "${2:-$root/content}")
runs=${MEASURE_RUNS:-3}
seconds=${MEASURE_SECONDS:-30}
phases=${MEASURE_PHASES:-title level played}
ticks=$(getconf CLK_TCK)

command -v Xvfb >/dev/null 2>&1 || { echo "Xvfb is not installed"; exit 2; }
command -v xdotool >/dev/null 2>&1 || { echo "xdotool is not installed"; exit 2; }
command -v python3 >/dev/null 2>&1 || { echo "python3 is not installed"; exit 2; }
command -v xwd >/dev/null 2>&1 && command -v convert >/dev/null 2>&1 || { echo "xwd and convert are needed"; exit 2; }
[ -x "$app" ] || { echo "no program at $app"; exit 2; }
[ -f "$content/main.pak" ] || { echo "no main.pak in $content"; exit 2; }

results=$(mktemp -d "${TMPDIR:-/tmp}/embercook-measure.XXXXXX")
trap 'rm -rf "$results"' EXIT

# cpu_ticks PID: user plus system time of the whole process (all threads) so far, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }

# One run, in a subshell of its own: a fresh X server, home and game. Figures are appended to $results/<figure>.
one_run() {
    # Not local: the exit trap of the subshell still needs them.
    xpid= gpid= wid= tmp=
    tmp=$(mktemp -d "${TMPDIR:-/tmp}/embercook-run.XXXXXX")
    exec 5>"$tmp/display"
    Xvfb -displayfd 5 -screen 0 800x600x24 -nolisten tcp >"$tmp/xvfb.txt" 2>&1 &
    xpid=$!
    for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.05; done
    [ -s "$tmp/display" ] || { echo "Xvfb did not start"; kill "$xpid"; rm -rf "$tmp"; return 1; }
    export DISPLAY=:$(head -n 1 "$tmp/display")
    finish() {
        [ -n "$gpid" ] && kill "$gpid" 2>/dev/null && wait "$gpid" 2>/dev/null
        kill "$xpid" 2>/dev/null
        wait "$xpid" 2>/dev/null
        rm -rf "$tmp"
    }
    trap finish EXIT

    export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/config XDG_DATA_HOME=$tmp/home/data
    export XDG_CACHE_HOME=$tmp/home/cache XDG_RUNTIME_DIR=$tmp/run ZEST_AUDIO=${ZEST_AUDIO:-null}
    mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_DATA_HOME/Quillbrook/CookEmber"
    chmod 700 "$XDG_RUNTIME_DIR"
    # A cook at day 2 with hints off (the layout game_between_days.sh writes), so Play leads into a day at once.
    python3 - "$XDG_DATA_HOME/Quillbrook/CookEmber/players.dat" <<'PY'
import struct, sys
name = b'Meter'
rec = struct.pack('<h', len(name)) + name + struct.pack('<iii', 2, 0, 1000) + bytes([1, 1])
rec += struct.pack('<8i', 1, 0, 0, 0, 0, 0, 0, 0) + struct.pack('<7i', *[0] * 7) + struct.pack('<i', 0)
rec += struct.pack('<60i', *[0] * 60) + struct.pack('<60i', *([150] + [0] * 59)) + struct.pack('<30i', *[1] * 30)
open(sys.argv[1], 'wb').write(struct.pack('<ii', 1108, 0) + rec)
PY

    cd "$content" || return 1
    local started now
    started=$(date +%s%N)
    "$app" >"$tmp/out.txt" 2>"$tmp/err.txt" &
    gpid=$!
    wid=
    for _ in $(seq 3000); do
        wid=$(xdotool search --all --onlyvisible --pid "$gpid" --name '^Ember Cook$' 2>/dev/null | head -n 1)
        [ -n "$wid" ] && break
        kill -0 "$gpid" 2>/dev/null || { echo "the game ended before its window"; return 1; }
        sleep 0.01
    done
    [ -n "$wid" ] || { echo "no window"; return 1; }
    now=$(date +%s%N)
    echo $(((now - started) / 1000000)) >>"$results/first_window_ms"

    click() { xdotool mousemove --window "$wid" "$1" "$2" click 1 >/dev/null 2>&1; }
    # shows X Y R G B: the window's pixel at (X, Y) is within 40 of the colour in each channel.
    shows() {
        local r g b
        read -r r g b < <(xwd -silent -id "$wid" 2>/dev/null | convert xwd:- -depth 8 -crop "1x1+$1+$2" +repage \
            -format "%[fx:int(255*r+.5)] %[fx:int(255*g+.5)] %[fx:int(255*b+.5)]\n" info: 2>/dev/null)
        [ -n "${b:-}" ] && [ $((r > $3 ? r - $3 : $3 - r)) -le 40 ] && [ $((g > $4 ? g - $4 : $4 - g)) -le 40 ] &&
            [ $((b > $5 ? b - $5 : $5 - b)) -le 40 ]
    }
    # until_shows WHAT X Y R G B: waits up to 30 s for the pixel.
    until_shows() {
        local what=$1; shift
        for _ in $(seq 150); do shows "$@" && return 0; sleep 0.2; done
        echo "$what did not show"
        return 1
    }
    # sample NAME [clicking]: the game's and the X server's processor share over the sample, in % of one core.
    sample() {
        local g0 x0 t0 g1 x1 t1 end perfpid=
        if [ -n "${MEASURE_PERF:-}" ]; then
            perf record --call-graph dwarf,16384 -F 499 -o "$MEASURE_PERF.$1" -p "$gpid" -- sleep "$seconds" \
                >/dev/null 2>&1 &
            perfpid=$!
        fi
        g0=$(cpu_ticks "$gpid") x0=$(cpu_ticks "$xpid") t0=$(date +%s%N)
        if [ "${2:-}" = clicking ]; then
            end=$(($(date +%s) + seconds))
            # A swap attempt now and then: neighbouring cells of the board, two clicks apart.
            while [ "$(date +%s)" -lt "$end" ]; do
                local cx=$((300 + RANDOM % 300)) cy=$((180 + RANDOM % 280))
                click "$cx" "$cy"
                sleep 0.3
                if ((RANDOM % 2)); then click $((cx + 49)) "$cy"; else click "$cx" $((cy + 49)); fi
                sleep 0.7
            done
        else
            sleep "$seconds"
        fi
        g1=$(cpu_ticks "$gpid") x1=$(cpu_ticks "$xpid") t1=$(date +%s%N)
        [ -z "$perfpid" ] || wait "$perfpid"
        awk -v a="$g0" -v b="$g1" -v t="$((t1 - t0))" -v k="$ticks" 'BEGIN { printf "%.2f\n", (b - a) / k * 1e11 / t }' \
            >>"$results/$1_game"
        awk -v a="$x0" -v b="$x1" -v t="$((t1 - t0))" -v k="$ticks" 'BEGIN { printf "%.2f\n", (b - a) / k * 1e11 / t }' \
            >>"$results/$1_xserver"
        if [ -n "${MEASURE_SHOTS:-}" ]; then
            mkdir -p "$MEASURE_SHOTS"
            xwd -silent -id "$wid" 2>/dev/null | convert xwd:- "png:$MEASURE_SHOTS/$1-$(date +%s%N).png" 2>/dev/null
        fi
    }

    # The loading screen's continue link, then the title (the window is 800x600 at scale 1 on this screen).
    until_shows "the loading screen's continue link" 400 459 222 215 0 || return 1
    click 400 459
    until_shows "the title" 640 60 46 70 61 || return 1
    sleep 2
    case " $phases " in *" title "*) sample title ;; esac
    # Play, then continue the day in progress.
    click 598 122
    until_shows "the question whether to continue the day" 345 330 247 141 48 || return 1
    click 400 330
    until_shows "the day" 770 554 247 139 47 || return 1
    sleep 2
    case " $phases " in
    *" level "*) sample level ;;
    esac
    case " $phases " in *" played "*) sample played clicking ;; esac
    kill -0 "$gpid" 2>/dev/null || { echo "the game ended during the run"; return 1; }
    case " $phases " in *" level "* | *" played "*) shows 770 554 247 139 47 || echo "note: the day had ended" ;; esac
    awk '/^VmHWM/ { printf "%.1f\n", $2 / 1024 }' "/proc/$gpid/status" >>"$results/peak_mb"
    awk '/^Threads/ { print $2 }' "/proc/$gpid/status" >>"$results/threads"
}

for run in $(seq "$runs"); do
    echo "run $run of $runs"
    (one_run) || { echo "run $run failed"; exit 1; }
done

# min/median/max of each figure over the runs.
summary() {
    [ -f "$results/$1" ] || return 0
    sort -g "$results/$1" | awk -v what="$2" '{ v[NR] = $1 } END {
        printf "%-38s min %8s  median %8s  max %8s\n", what, v[1], v[int((NR + 1) / 2)], v[NR] }'
}
echo "--- $runs runs, ${seconds} s samples, $(basename "$app") in $content"
summary first_window_ms "time to first window (ms)"
summary title_game "title idle: game (% of one core)"
summary title_xserver "title idle: X server (% of one core)"
summary level_game "day untouched: game (% of one core)"
summary level_xserver "day untouched: X server (% of one core)"
summary played_game "day played by clicks: game (% core)"
summary played_xserver "day played by clicks: X server (% core)"
summary peak_mb "peak memory, VmHWM (MB)"
summary threads "threads at the end"
