# Shared by the real-game window tests: the tool checks, an empty home of the test's own, starting the game and
# finding its window, clicks and drags in game pixels, screenshots back in game pixels, and waiting for a screen.
# The sourcing script sets: app, content, shots (may be empty), limit (seconds per wait), name (of its temp folder).
# Needs bash; sourced, not run.

convert=/usr/bin/convert

skip() { echo "SKIPPED: $*"; exit 77; }
fail() {
    echo "FAILED: $*"
    [ -n "${tmp:-}" ] && [ -f "$tmp/err.txt" ] && { echo "--- stderr (tail)"; tail -n 30 "$tmp/err.txt"; }
    [ -n "${tmp:-}" ] && [ -f "$tmp/now.png" ] && [ -n "$shots" ] && mkdir -p "$shots" &&
        cp "$tmp/now.png" "$shots/${name}_failed.png" && echo "--- last screen: $shots/${name}_failed.png"
    exit 1
}

[ -n "${DISPLAY:-}" ] || skip "no X display"
command -v xdotool >/dev/null 2>&1 || skip "xdotool is not installed"
command -v xwd >/dev/null 2>&1 || skip "xwd is not installed"
[ -x "$convert" ] || skip "ImageMagick's convert is not installed"
[ -x "$app" ] || fail "no program at $app"
[ -f "$content/main.pak" ] || fail "no main.pak in $content (build the content target)"

x() { timeout 10 xdotool "$@"; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/embercook-$name.XXXXXX")
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

# An empty home: no settings, players, high scores or sound cache of the user's, and a lock of its own.
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/config XDG_DATA_HOME=$tmp/home/data XDG_CACHE_HOME=$tmp/home/cache
export XDG_RUNTIME_DIR=$tmp/run ZEST_AUDIO=null
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
players=$XDG_DATA_HOME/Quillbrook/CookEmber/players.dat

# stall_report: what the game is doing when a wait for it ran out (kept short, for the log of a failed run): each
# thread's state, CPU ticks and kernel wait point, every stack when gdb is there, and its X windows whether shown or
# not (their map state and name).
stall_report() {
    echo "--- the game (pid $pid) at $(date -u +%T.%N | cut -c1-12), load $(cut -d' ' -f1-4 /proc/loadavg)"
    kill -0 "$pid" 2>/dev/null || { echo "not running"; return; }
    local t s w f
    for t in /proc/"$pid"/task/*; do
        s=$(cat "$t/stat" 2>/dev/null) || continue
        # After the name in parentheses: the state, then user and system ticks as the 12th and 13th fields.
        read -r -a f <<<"${s##*) }"
        printf '%s %-15s %s user=%s sys=%s wchan=%s\n' "${t##*/}" "$(cat "$t/comm" 2>/dev/null)" "${f[0]}" \
            "${f[11]}" "${f[12]}" "$(cat "$t/wchan" 2>/dev/null)"
    done
    if command -v gdb >/dev/null 2>&1; then
        echo "--- stacks"
        # One short line a frame: the function and its source line, without arguments and folders.
        timeout 60 gdb -batch -nx -p "$pid" -ex "thread apply all bt" 2>&1 | grep -E '^(Thread|#)' |
            sed -E -e 's/^(#[0-9]+) +(0x[0-9a-f]+ in )?/\1 /' \
                -e 's/ \(([A-Za-z_][A-Za-z_0-9]*=.*)?\) (at|from) (.*\/)?([^/]+)$/ \4/' | cut -c1-160
    fi
    echo "--- X windows of the pid, shown or not"
    for w in $(x search --pid "$pid" 2>/dev/null); do
        echo "$w $(timeout 10 xwininfo -id "$w" 2>&1 | grep -E 'Map State|Width|Height|xwininfo:' | tr -s ' \n' ' ')"
    done
    echo "--- windows named Ember Cook: $(x search --name '^Ember Cook$' 2>/dev/null | tr '\n' ' ')"
    echo "--- the game's display: $(tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -E '^(DISPLAY|XAUTHORITY)=' | tr '\n' ' ')"
    echo "--- the game's open files: $(ls -l "/proc/$pid/fd" 2>/dev/null | awk 'NR > 1 {print $9 $10 $11}' | tr '\n' ' ')"
    echo "--- top-level windows on $DISPLAY:"
    timeout 10 xwininfo -root -children 2>&1 | grep -E '^ +0x' | head -n 10
    if command -v ss >/dev/null 2>&1; then
        # Which X server the game is connected to (the server's end of each of its sockets): the one searched, or not.
        echo "--- the game's sockets and the servers at their other end"
        local ino d=${DISPLAY#*:}
        ss -xlpn 2>/dev/null | awk -v a="@/tmp/.X11-unix/X${d%%.*}" '$5 == a {print "(the server of " a ": " $NF ")"}'
        for ino in $(ss -xpn 2>/dev/null | grep "pid=$pid," | awk '{print $6}'); do
            echo "socket $ino: $(ss -xpn 2>/dev/null | awk -v i="$ino" '$6 == i {print $2, "peer", $8}; $8 == i {print "at", $5, $9}' |
                tr '\n' ' ')"
        done
    fi
    [ -s "$tmp/search.txt" ] && { echo "--- the searches said ($(wc -l <"$tmp/search.txt") lines)"; tail -n 5 "$tmp/search.txt"; }
    [ -s "$tmp/out.txt" ] && { echo "--- stdout (tail)"; tail -n 20 "$tmp/out.txt"; }
}

# start_game [arguments]: runs the game (in the current folder, the content folder) with those arguments, finds
# its window and measures it; prints how long the first window took.
start_game() {
    local started
    started=$(date +%s%N)
    "$app" "$@" >>"$tmp/out.txt" 2>>"$tmp/err.txt" &
    pid=$!
    wid=
    for _ in $(seq $((limit * 5))); do
        # --all: the window must have both the pid and the name (xdotool's default takes either, which would let
        # another game's window on the same display pass for this one). What a search says on stderr, and an exit
        # other than found (0) or not found (1), are kept for the report.
        wid=$(x search --all --onlyvisible --pid "$pid" --name '^Ember Cook$' 2>>"$tmp/search.txt" | head -n 1
              rc=${PIPESTATUS[0]}; [ "$rc" -le 1 ] || echo "search ended with $rc" >>"$tmp/search.txt")
        [ -n "$wid" ] && break
        kill -0 "$pid" 2>/dev/null || fail "the game ended before it opened a window"
        sleep 0.2
    done
    [ -n "$wid" ] || {
        local searched=$(( ($(date +%s%N) - started) / 1000000 ))
        stall_report
        fail "no window appeared within $limit s ($searched ms of searching)"
    }
    echo "first window after $(( ($(date +%s%N) - started) / 1000000 )) ms"
    measure
}

# measure: the window's size now, and how the 800x600 picture sits in it (scaled to fit and centred).
measure() {
    X='' Y='' WIDTH='' HEIGHT=''
    eval "$(x getwindowgeometry --shell "$wid" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    read -r scale offx offy < <(awk -v w="$WIDTH" -v h="$HEIGHT" \
        'BEGIN { s = w / 800; if (h / 600 < s) s = h / 600; printf "%f %d %d\n", s, (w - 800 * s) / 2, (h - 600 * s) / 2 }')
}

# until_size W H: waits until the window has that size (a change of screen mode), then measures it again.
until_size() {
    local deadline=$(( $(date +%s) + limit ))
    while [ "$(date +%s)" -lt "$deadline" ]; do
        kill -0 "$pid" 2>/dev/null || fail "the game ended while waiting for a ${1}x$2 window"
        measure
        [ "$WIDTH" = "$1" ] && [ "$HEIGHT" = "$2" ] && return 0
        sleep 0.2
    done
    fail "the window did not become ${1}x$2 within $limit s (it is ${WIDTH}x$HEIGHT)"
}

# key KEYS...: keys pressed in the game's window (xdotool names: Escape, Return, alt+Return).
key() { x key --window "$wid" "$@" || fail "xdotool could not press $*"; }

# Points are given in game pixels.
at() { awk -v s="$scale" -v ox="$offx" -v oy="$offy" -v x="$1" -v y="$2" \
    'BEGIN { printf "%d %d\n", ox + x * s + 0.5, oy + y * s + 0.5 }'; }
click() {
    local p; p=$(at "$1" "$2")
    # shellcheck disable=SC2086
    x mousemove --window "$wid" $p click 1 || fail "xdotool could not click at ($1, $2)"
}
# drag X0 Y0 X1 Y1: the left button held from one point to the other.
drag() {
    local p q; p=$(at "$1" "$2"); q=$(at "$3" "$4")
    # shellcheck disable=SC2086
    { x mousemove --window "$wid" $p mousedown 1 && x mousemove --window "$wid" $q && x mouseup 1; } ||
        fail "xdotool could not drag from ($1, $2) to ($3, $4)"
}

# shot: the window's picture, back in game pixels, as $tmp/now.png.
shot() {
    local w h
    w=$(awk -v s="$scale" 'BEGIN { printf "%d", 800 * s + 0.5 }')
    h=$(awk -v s="$scale" 'BEGIN { printf "%d", 600 * s + 0.5 }')
    timeout 10 xwd -silent -id "$wid" 2>/dev/null |
        "$convert" xwd:- -crop "${w}x${h}+${offx}+${offy}" +repage -resize '800x600!' "png:$tmp/now.png" 2>/dev/null
}
keep() { [ -z "$shots" ] || { mkdir -p "$shots" && cp "$tmp/now.png" "$shots/$1.png"; }; }
pixel() { "$convert" "$tmp/now.png" -depth 8 -format "%[fx:int(255*r+.5)] %[fx:int(255*g+.5)] %[fx:int(255*b+.5)]\n" \
              -crop "1x1+$1+$2" +repage info: 2>/dev/null; }
# near X Y R G B: the game pixel (X, Y) of the last shot is within 28 of the colour in each channel.
near() {
    local r g b
    read -r r g b < <(pixel "$1" "$2") || return 1
    [ -n "$b" ] && [ $((r > $3 ? r - $3 : $3 - r)) -le 28 ] && [ $((g > $4 ? g - $4 : $4 - g)) -le 28 ] &&
        [ $((b > $5 ? b - $5 : $5 - b)) -le 28 ]
}
# until_shown <what> <predicate...>: takes shots until the predicate holds for one, within the limit.
until_shown() {
    local what=$1; shift
    local deadline=$(( $(date +%s) + limit ))
    while [ "$(date +%s)" -lt "$deadline" ]; do
        kill -0 "$pid" 2>/dev/null || fail "the game ended while waiting for $what"
        shot && "$@" && return 0
        sleep 0.2
    done
    stall_report
    fail "$what did not show within $limit s"
}

# click_until WHAT X Y CHECK...: clicks at (X, Y) until CHECK holds, again every few seconds: a click that lands while
# the window before is still sliding away is taken by that window, which on a busy machine happens now and then.
click_until() {
    local what=$1 cx=$2 cy=$3; shift 3
    local deadline=$(( $(date +%s) + limit ))
    while [ "$(date +%s)" -lt "$deadline" ]; do
        kill -0 "$pid" 2>/dev/null || fail "the game ended while waiting for $what"
        click "$cx" "$cy"
        local again=$(( $(date +%s) + 5 ))
        while [ "$(date +%s)" -lt "$again" ]; do
            shot && "$@" && return 0
            sleep 0.2
        done
    done
    stall_report
    fail "$what did not show within $limit s"
}

# What the screens both tests pass through show at a few points (game pixels).
loading() { near 400 100 86 42 19; }
link_ready() { loading && near 400 459 222 215 0; }
# The name field: a slot darker than the board around it.
name_prompt() { near 450 266 12 14 13 && near 560 266 12 14 13; }
title() { near 640 60 46 70 61 && ! name_prompt; }
level() { near 770 554 247 139 47; }
