#!/usr/bin/env bash
# Measures the real game, and with --peers three other match-3 games, under private Xvfb servers at 800x600: time to
# the first window, processor use on the idle title and in a day played by clicks, peak and proportional memory.
# Usage: tools/measure_game.sh [--peers] [embercook] [content folder]
#   --peers       also measures gweled and jag (installed with apt-get when missing; monsterz too when installed
#                 or when MEASURE_PEERS names it), one program after the other in each round, under identical
#                 steps, and prints one table of medians with each figure's ratio to the best peer.
#   MEASURE_RUNS (3) rounds, MEASURE_SECONDS (30) seconds per sample; MEASURE_PEERS ("gweled jag") the peers.
#   MEASURE_PHASES lists the game's samples (default "title played"; "level" adds the day left untouched);
#   MEASURE_PERF=FILE records a profile of each program during each sample (perf record, call graphs), in
#   FILE.<program>.<sample>; MEASURE_SHOTS=DIR keeps a screenshot of the window at the end of each sample there.
# Every program gets the same sound setting: SDL's dummy driver, and ALSA's null device for a program that opens ALSA
# itself (SDL's own ALSA null device spins). Not part of the test run: it takes minutes.
set -u

peers=
while [ $# -gt 0 ]; do
    case $1 in
    --peers) peers=${MEASURE_PEERS:-gweled jag} ;;
    -h | --help)
        sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    *) break ;;
    esac
    shift
done

root=$(cd "$(dirname "$0")/.." && pwd)
app=$(realpath "${1:-$root/build/release/game/embercook}")
content=$(realpath "${2:-$root/content}")
runs=${MEASURE_RUNS:-3}
seconds=${MEASURE_SECONDS:-30}
phases=${MEASURE_PHASES:-title played}
ticks=$(getconf CLK_TCK)

command -v Xvfb >/dev/null 2>&1 || { echo "Xvfb is not installed"; exit 2; }
command -v xdotool >/dev/null 2>&1 || { echo "xdotool is not installed"; exit 2; }
command -v python3 >/dev/null 2>&1 || { echo "python3 is not installed"; exit 2; }
command -v xwd >/dev/null 2>&1 && [ -x /usr/bin/convert ] || { echo "xwd and ImageMagick's convert are needed"; exit 2; }
[ -x "$app" ] || { echo "no program at $app"; exit 2; }
[ -f "$content/main.pak" ] || { echo "no main.pak in $content"; exit 2; }

# The peers are ordinary packages of the system: installed when asked for and missing.
peer_binary() { echo "/usr/games/$1"; }
missing=
for peer in $peers; do [ -x "$(peer_binary "$peer")" ] || missing="$missing $peer"; done
if [ -n "$missing" ]; then
    echo "installing$missing"
    if [ "$(id -u)" = 0 ]; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing >/dev/null ||
            { apt-get update -q >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing >/dev/null; }
    else
        sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing >/dev/null
    fi
    for peer in $missing; do [ -x "$(peer_binary "$peer")" ] || { echo "could not install $peer"; exit 2; }; done
fi

results=$(mktemp -d "${TMPDIR:-/tmp}/embercook-measure.XXXXXX")
trap 'rm -rf "$results"' EXIT
# ALSA's null device for the programs that open ALSA directly (gweled's module player does).
printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' >"$results/asound.conf"

# cpu_ticks PID: user plus system time of the whole process (all threads) so far, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
ms_now() { echo $(($(date +%s%N) / 1000000)); }

# What differs between the programs, one set of functions each: how to start it and name its window, how to reach
# the idle title from its first window, how to reach a day in play, and where its board is (left top width height
# and the size of a cell) for the clicks.
game_start() { cd "$content" && exec "$app"; }
game_window=^Ember\ Cook$
game_title() {
    # The loading screen's continue link, then the title (the window is 800x600 at scale 1 on this screen).
    until_shows "the loading screen's continue link" 400 459 222 215 0 || return 1
    click 400 459
    until_shows "the title" 640 60 46 70 61
}
game_day() {
    # Play, then continue the day in progress.
    click 598 122
    until_shows "the question whether to continue the day" 345 330 247 141 48 || return 1
    # The question slides in: a click before it settles misses its button, so it is clicked again until the day
    # shows.
    sleep 1
    for _ in 1 2 3; do
        click 400 330
        for _ in $(seq 50); do shows 770 554 247 139 47 && return 0; sleep 0.1; done
    done
    until_shows "the day" 770 554 247 139 47
}
game_board="300 180 300 280 49"
game_check() { shows 770 554 247 139 47 || echo "note: the day had ended"; }
game_home() {
    # A cook at day 2 with hints off (the layout game_between_days.sh writes), so Play leads into a day at once.
    mkdir -p "$XDG_DATA_HOME/Quillbrook/CookEmber"
    python3 - "$XDG_DATA_HOME/Quillbrook/CookEmber/players.dat" <<'PY'
import struct, sys
name = b'Meter'
rec = struct.pack('<h', len(name)) + name + struct.pack('<iii', 2, 0, 1000) + bytes([1, 1])
rec += struct.pack('<8i', 1, 0, 0, 0, 0, 0, 0, 0) + struct.pack('<7i', *[0] * 7) + struct.pack('<i', 0)
rec += struct.pack('<60i', *[0] * 60) + struct.pack('<60i', *([150] + [0] * 59)) + struct.pack('<30i', *[1] * 30)
open(sys.argv[1], 'wb').write(struct.pack('<ii', 1108, 0) + rec)
PY
}

# gweled: its window opens on the welcome page with the three kinds of game; Endless never ends by itself.
gweled_start() { exec "$(peer_binary gweled)"; }
gweled_window=^Gweled$
gweled_title() { until_shows "gweled's welcome page" 66 100 0 188 248; }
gweled_day() {
    click 53 325
    until_shows "gweled's board" 2 30 74 56 57
}
gweled_board="24 51 312 312 48"
gweled_check() { :; }
gweled_home() { :; }

# jag: a menu over its backdrop; New Game, then Start new game (arcade, normal difficulty).
jag_start() { exec "$(peer_binary jag)"; }
jag_window=^JAG$
jag_title() { until_shows "jag's menu" 400 421 179 183 179; }
jag_day() {
    click 400 107
    sleep 1
    click 470 453
    until_gone "jag's menu" 400 421 179 183 179
}
jag_board="230 200 250 280 43"
jag_check() { :; }
jag_home() { :; }

# monsterz: its menu, then a new game with its board at the left.
monsterz_start() { exec "$(peer_binary monsterz)"; }
monsterz_window=^Monsterz$
monsterz_title() { sleep 3; }
monsterz_day() {
    click 600 230
    sleep 3
}
monsterz_board="40 60 300 300 48"
monsterz_check() { :; }
monsterz_home() { :; }

# One run of PROGRAM, in a subshell of its own: a fresh X server, home and program. Figures are appended to
# $results/<program>.<figure>.
one_run() {
    local prog=$1
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
        if [ -n "$gpid" ] && kill "$gpid" 2>/dev/null; then
            # A program whose SDL turns the signal into a quit event it ignores (jag) is ended the hard way.
            (sleep 5 && kill -9 "$gpid" 2>/dev/null) &
            local watch=$!
            wait "$gpid" 2>/dev/null
            kill "$watch" 2>/dev/null
        fi
        kill "$xpid" 2>/dev/null
        wait "$xpid" 2>/dev/null
        rm -rf "$tmp"
    }
    trap finish EXIT

    export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/config XDG_DATA_HOME=$tmp/home/data
    export XDG_CACHE_HOME=$tmp/home/cache XDG_RUNTIME_DIR=$tmp/run
    export SDL_AUDIODRIVER=dummy ALSA_CONFIG_PATH=$results/asound.conf ZEST_AUDIO=${ZEST_AUDIO:-sdl}
    unset PULSE_SERVER
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    "${prog}_home"

    local started now window_var=${prog}_window
    started=$(ms_now)
    ("${prog}_start") >"$tmp/out.txt" 2>"$tmp/err.txt" &
    gpid=$!
    wid=
    for _ in $(seq 3000); do
        wid=$(xdotool search --all --onlyvisible --pid "$gpid" --name "${!window_var}" 2>/dev/null | head -n 1)
        [ -n "$wid" ] && break
        kill -0 "$gpid" 2>/dev/null || { echo "$prog ended before its window"; return 1; }
        sleep 0.01
    done
    [ -n "$wid" ] || { echo "$prog: no window"; return 1; }
    now=$(ms_now)
    echo $((now - started)) >>"$results/$prog.first_window_ms"

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
        for _ in $(seq 300); do shows "$@" && return 0; sleep 0.1; done
        echo "$prog: $what did not show"
        if [ -n "${MEASURE_SHOTS:-}" ]; then
            mkdir -p "$MEASURE_SHOTS"
            xwd -silent -id "$wid" 2>/dev/null | convert xwd:- "png:$MEASURE_SHOTS/$prog-missing-$(date +%s%N).png" 2>/dev/null
        fi
        return 1
    }
    # until_gone WHAT X Y R G B: waits up to 30 s for the pixel to change.
    until_gone() {
        local what=$1; shift
        for _ in $(seq 300); do shows "$@" || return 0; sleep 0.1; done
        echo "$prog: $what did not go"
        return 1
    }
    # sample NAME [clicking]: the program's and the X server's processor share over the sample, in % of one core.
    sample() {
        local g0 x0 t0 g1 x1 t1 end perfpid=
        if [ -n "${MEASURE_PERF:-}" ]; then
            perf record --call-graph dwarf,16384 -F 499 -o "$MEASURE_PERF.$prog.$1" -p "$gpid" -- sleep "$seconds" \
                >/dev/null 2>&1 &
            perfpid=$!
        fi
        g0=$(cpu_ticks "$gpid") x0=$(cpu_ticks "$xpid") t0=$(date +%s%N)
        if [ "${2:-}" = clicking ]; then
            local left top width height cell board_var=${prog}_board
            read -r left top width height cell <<<"${!board_var}"
            end=$(($(date +%s) + seconds))
            # A swap attempt every second: a cell of the board, then a neighbour, half a second apart.
            while [ "$(date +%s)" -lt "$end" ]; do
                local cx=$((left + RANDOM % width)) cy=$((top + RANDOM % height))
                click "$cx" "$cy"
                sleep 0.5
                if ((RANDOM % 2)); then click $((cx + cell)) "$cy"; else click "$cx" $((cy + cell)); fi
                sleep 0.5
            done
        else
            sleep "$seconds"
        fi
        g1=$(cpu_ticks "$gpid") x1=$(cpu_ticks "$xpid") t1=$(date +%s%N)
        [ -z "$perfpid" ] || wait "$perfpid"
        awk -v a="$g0" -v b="$g1" -v t="$((t1 - t0))" -v k="$ticks" 'BEGIN { printf "%.2f\n", (b - a) / k * 1e11 / t }' \
            >>"$results/$prog.$1_game"
        awk -v a="$x0" -v b="$x1" -v t="$((t1 - t0))" -v k="$ticks" 'BEGIN { printf "%.2f\n", (b - a) / k * 1e11 / t }' \
            >>"$results/$prog.$1_xserver"
        if [ -n "${MEASURE_SHOTS:-}" ]; then
            mkdir -p "$MEASURE_SHOTS"
            xwd -silent -id "$wid" 2>/dev/null | convert xwd:- "png:$MEASURE_SHOTS/$prog-$1-$(date +%s%N).png" 2>/dev/null
        fi
    }

    "${prog}_title" || return 1
    # The title drawn and answering clicks: for the game, past its loading screen.
    echo $(($(ms_now) - started)) >>"$results/$prog.title_ms"
    sleep 2
    case " $phases " in *" title "*) sample title ;; esac
    case " $phases " in *" level "* | *" played "*)
        "${prog}_day" || return 1
        sleep 2
        ;;
    esac
    case " $phases " in *" level "*) sample level ;; esac
    case " $phases " in *" played "*) sample played clicking ;; esac
    kill -0 "$gpid" 2>/dev/null || { echo "$prog ended during the run"; return 1; }
    case " $phases " in *" level "* | *" played "*) "${prog}_check" ;; esac
    awk '/^VmHWM/ { printf "%.1f\n", $2 / 1024 }' "/proc/$gpid/status" >>"$results/$prog.peak_mb"
    awk '/^Pss:/ { printf "%.1f\n", $2 / 1024 }' "/proc/$gpid/smaps_rollup" >>"$results/$prog.pss_mb"
    awk '/^Threads/ { print $2 }' "/proc/$gpid/status" >>"$results/$prog.threads"
}

programs="game $peers"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for run in $(seq "$runs"); do
    for prog in $programs; do
        echo "round $run of $runs: $prog (load $(cut -d' ' -f1 /proc/loadavg))"
        (one_run "$prog") || { echo "round $run failed ($prog)"; exit 1; }
    done
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# median FILE: the median of the figures in the file, or - when there are none.
median() {
    [ -f "$1" ] || { echo -; return; }
    sort -g "$1" | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
# summary FILE WHAT: min/median/max of one figure.
summary() {
    [ -f "$results/$1" ] || return 0
    sort -g "$results/$1" | awk -v what="$2" '{ v[NR] = $1 } END {
        printf "%-38s min %8s  median %8s  max %8s\n", what, v[1], v[int((NR + 1) / 2)], v[NR] }'
}
name_of() { case $1 in game) echo "Ember Cook" ;; *) echo "$1" ;; esac; }

echo "--- $runs rounds, ${seconds} s samples, $(basename "$app") in $content"
echo "load average (1, 5, 15 min): $load_before before, $load_after after"
summary game.first_window_ms "time to first window (ms)"
summary game.title_ms "time to the title, usable (ms)"
summary game.title_game "title idle: game (% of one core)"
summary game.title_xserver "title idle: X server (% of one core)"
summary game.level_game "day untouched: game (% of one core)"
summary game.level_xserver "day untouched: X server (% of one core)"
summary game.played_game "day played by clicks: game (% core)"
summary game.played_xserver "day played by clicks: X server (% core)"
summary game.peak_mb "peak memory, VmHWM (MB)"
summary game.pss_mb "proportional memory at the end (MB)"
summary game.threads "threads at the end"
[ -n "$peers" ] || exit 0

# The table of medians, each program a row, and the game's ratio to the best (lowest) peer in each column.
columns="first_window_ms title_ms title_game played_game peak_mb pss_mb title_xserver played_xserver"
echo
echo "medians of $runs rounds (X = the X server's share beside the program's)"
echo "| program | first window ms | title usable ms | title idle % | day clicked % | peak RSS MB | PSS MB | X title % | X day % |"
echo "|---|---|---|---|---|---|---|---|---|"
for prog in $programs; do
    row="| $(name_of "$prog") |"
    for c in $columns; do row="$row $(median "$results/$prog.$c") |"; done
    echo "$row"
done
row="| ratio to the best peer |"
for c in $columns; do
    mine=$(median "$results/game.$c")
    best= who=
    for peer in $peers; do
        v=$(median "$results/$peer.$c")
        [ "$v" = - ] && continue
        if [ -z "$best" ] || awk -v a="$v" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$v who=$peer; fi
    done
    if [ -n "$best" ] && [ "$mine" != - ] && awk -v b="$best" 'BEGIN { exit !(b > 0) }'; then
        row="$row $(awk -v a="$mine" -v b="$best" 'BEGIN { printf "%.2f", a / b }') ($who) |"
    else
        row="$row - |"
    fi
done
echo "$row"
# The title is usable once past the loading screen: its target is against the best peer's first window.
best_first=$(for peer in $peers; do median "$results/$peer.first_window_ms"; done | grep -v '^-$' | sort -g | head -n 1)
[ -n "$best_first" ] && awk -v a="$(median "$results/game.title_ms")" -v b="$best_first" \
    'BEGIN { if (b > 0) printf "title usable / best peer first window: %.2f\n", a / b }'
