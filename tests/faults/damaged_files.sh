#!/usr/bin/env bash
# Every file the game reads from the home folders, damaged or replaced by something hostile, one case at a time:
# the game must reach its title with the other files' data intact, say so where the player needs to know (and keep
# the damaged file aside), never crash or hang, and then save and start again normally.
# Usage: damaged_files.sh <faults_game> <content folder> [regex: only the cases "<file> <variant>" it matches]
set -u

game=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
content=$(cd "$2" 2>/dev/null && pwd)
only=${3:-.}
fail() {
    echo "FAILED: $*"
    [ -f "$tmp/err.txt" ] && { echo "--- output of the run"; tail -n 15 "$tmp/out.txt" "$tmp/err.txt"; }
    exit 1
}
[ -x "$game" ] || { echo "FAILED: no program at $game"; exit 1; }
[ -f "$content/main.pak" ] || { echo "SKIPPED: no built content in $content"; exit 77; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/embercook-damaged.XXXXXX")
trap 'chmod -R u+rwx "$tmp" 2>/dev/null; rm -rf "$tmp"' EXIT

home=$tmp/home
export HOME=$home/home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache
export XDG_RUNTIME_DIR=$home/run ZEST_VIDEO=headless ZEST_AUDIO=null
mkdir -p "$tmp/cwd/faults"
for entry in "$content"/*; do ln -s "$entry" "$tmp/cwd/"; done
cp "$content/music/music2.ogg" "$tmp/cwd/faults/probe.ogg" || fail "no Ogg sound in the content"
cd "$tmp/cwd" || fail "no working folder"

data=$XDG_DATA_HOME/Quillbrook/CookEmber
declare -A path=(
    [players]=$data/players.dat [results]=$data/players_ext.dat [scores]=$data/highscores.dat
    [settings]=$XDG_CONFIG_HOME/Quillbrook/CookEmber/settings.ini
    [cache]=$XDG_CACHE_HOME/Quillbrook/CookEmber/cached/faults/probe.wav
    [crash]=$data/crash.txt [crashtemp]=$data/crash.txt.tmp [lock]=$XDG_RUNTIME_DIR/zest/Ember_CookMutex.lock)

# the game's run, with its exit code in $code; a run that does not end within a minute hangs
run() {
    timeout -s KILL 60 "$game" run "$@" >"$tmp/out.txt" 2>"$tmp/err.txt"
    code=$?
    [ "$code" -ne 137 ] || fail "$case: the game hung"
    ! grep -qE 'AddressSanitizer|LeakSanitizer|runtime error:' "$tmp/err.txt" || fail "$case: sanitizer report"
}

# A home with one cook, a high-score row, changed settings and a cached sound, all in their first version.
mkdir -p "$home/run" && chmod 700 "$home/run"
case=template
run --save-all=0
[ "$code" -eq 0 ] || fail "the template home could not be made"
mv "$home" "$tmp/template"
first="players=1 current=0 money=1000 profit66=111 top=Kim A:123456 music=30 probe=ok"
second="players=1 current=0 money=2000 profit66=222 top=Kim B:234567 music=70 probe=ok"

bytes() { python3 -c "import sys; sys.stdout.buffer.write(bytes.fromhex(sys.argv[1]))" "$1"; }
random_bytes() { python3 -c "import random,sys; random.seed(7); sys.stdout.buffer.write(bytes(random.randrange(256) for _ in range(1000)))"; }

# Puts variant $2 of file $1 in place.
damage() {
    local p=${path[$1]} base="previous text\n"
    [ -f "$p" ] && base=$(cat "$p" | base64 -w0) || base=$(printf "$base" | base64 -w0)
    mkdir -p "$(dirname "$p")"
    rm -rf "$p"
    case $2 in
    empty) : >"$p" ;;
    cut) echo "$base" | base64 -d | head -c -5 >"$p" ;; # the last record or line cut short
    random) random_bytes >"$p" ;;
    hugelen)
        case $1 in # a length field far past the end of the file
        players) bytes "5404000000000000ffff4b696d" >"$p" ;;
        results) bytes "4345584501000000ff7f4b696d" >"$p" ;;
        scores) bytes "ff7f4b696d00" >"$p" ;;
        settings) { printf '["SOFTWARE\\\\Quillbrook\\\\CookEmber"]\n"MusicVolume" = bin:'; head -c 3000000 /dev/zero | tr '\0' 'a'; echo; } >"$p" ;;
        *) bytes "52494646ffffffff57415645666d7420ffffff7f" >"$p" ;;
        esac ;;
    magic)
        case $1 in
        players) { bytes "55040000"; echo "$base" | base64 -d | tail -c +5; } >"$p" ;;
        results) { bytes "43455846"; echo "$base" | base64 -d | tail -c +5; } >"$p" ;;
        *) printf '<?xml version="1.0"?>\n<notours/>\n' >"$p" ;;
        esac ;;
    huge) [ "$1" = settings ] && truncate -s 20M "$p" || truncate -s 300M "$p" ;; # sparse: no disk used
    dir) mkdir "$p" && echo keep >"$p/keep.txt" ;;
    devzero) ln -s /dev/zero "$p" ;;
    fifo) mkfifo "$p" ;;
    noread) echo "$base" | base64 -d >"$p" && chmod 000 "$p" ;;
    esac
}

# One case a line: the file | its variant | what the run must say ("-" for nothing; when the text says "kept", the
# damaged file must also be found aside, as it was) | what the title shows unlike the first version | what the
# second start shows unlike the second version (after a save of everything). Fields are "name=regex"; "-" for none.
aside_players="player file was damaged; it was kept as"
aside_results="results file .* is damaged; it was kept as"
aside_scores="high-score file could not be read; it was kept as"
aside_settings="Settings file .* is damaged .*; kept as"
no_settings="Settings file .* cannot be read; settings will not be saved"
no_player="players=0 current=-1 money=-1 profit66=-1"
table="
players  | empty   | $aside_players  | $no_player
players  | cut     | -               | -
players  | random  | $aside_players  | $no_player
players  | hugelen | -               | money=0 profit66=0
players  | magic   | $aside_players  | $no_player
players  | huge    | $aside_players  | $no_player
players  | dir     | $aside_players  | $no_player
players  | devzero | $aside_players  | $no_player
players  | fifo    | $aside_players  | $no_player
players  | noread  | $aside_players  | $no_player
results  | empty   | $aside_results  | profit66=0
results  | cut     | -               | -
results  | random  | $aside_results  | profit66=0
results  | hugelen | -               | profit66=0
results  | magic   | $aside_results  | profit66=0
results  | huge    | $aside_results  | profit66=0
results  | dir     | $aside_results  | profit66=0
results  | devzero | $aside_results  | profit66=0
results  | fifo    | $aside_results  | profit66=0
results  | noread  | $aside_results  | profit66=0
scores   | empty   | -               | top=Chef:100000
scores   | cut     | -               | -
scores   | random  | -               | top=.*
scores   | hugelen | -               | top=Chef:100000
scores   | magic   | -               | top=Chef:100000
scores   | huge    | $aside_scores   | top=Chef:100000
scores   | dir     | $aside_scores   | top=Chef:100000
scores   | devzero | $aside_scores   | top=Chef:100000
scores   | fifo    | $aside_scores   | top=Chef:100000
scores   | noread  | $aside_scores   | top=Chef:100000
settings | empty   | -               | music=85
settings | cut     | $aside_settings | -
settings | random  | $aside_settings | music=85
settings | hugelen | $aside_settings | music=85
settings | magic   | $aside_settings | music=85
settings | huge    | $aside_settings | music=85
settings | dir     | $no_settings    | music=85 | music=85
settings | devzero | $no_settings    | music=85 | music=85
settings | fifo    | $no_settings    | music=85 | music=85
settings | noread  | $no_settings    | music=85 | music=85
lock     | dir     | Cannot create the instance lock | -
crashtemp| fifo    | -               | -
"
# The cached sound is made again from its source, the crash report is never read and the lock holds nothing:
# whatever is in their place, the game starts as usual.
for variant in empty cut random hugelen magic huge dir devzero fifo noread; do
    table+="cache | $variant | - | -
crash | $variant | - | -
"
    [ "$variant" = dir ] || table+="lock | $variant | - | -
"
done

# the expected title line: the version's line with the named fields replaced
expect() {
    local line=$1 field
    for field in $2; do
        [ "$field" = - ] && continue
        local name=${field%%=*}
        # a field's value runs to the next " name=" (the top row's name may hold a space)
        line=$(echo "$line" | sed -E "s/(^| )$name=[^=]*( [a-z0-9]+=|$)/\1$name=${field#*=}\2/")
    done
    echo "TITLE $line"
}

trim() { local t=$1; t=${t#"${t%%[! ]*}"}; echo "${t%"${t##*[! ]}"}"; }

root=$(id -u)
cases=0
while IFS='|' read -r file variant message title1 title2; do
    file=$(trim "$file")
    [ -n "$file" ] || continue
    variant=$(trim "$variant") message=$(trim "$message") title1=$(trim "$title1") title2=$(trim "${title2:-}")
    case="$file $variant"
    [[ $case =~ $only ]] || continue
    if [ "$variant" = noread ] && [ "$root" -eq 0 ]; then
        echo "$case: skipped (the superuser reads any file)"
        continue
    fi
    rm -rf "$home" && cp -a "$tmp/template" "$home"
    damage "$file" "$variant"
    before=
    [ -f "${path[$file]}" ] && [ "$variant" != huge ] && before=$(cksum <"${path[$file]}")

    run --save-all=1
    [ "$code" -eq 0 ] || fail "$case: the game did not reach its title (exit code $code)"
    expected=$(expect "$first" "$title1")
    grep -qxE "$expected" "$tmp/out.txt" || fail "$case: expected '$expected', the game showed '$(grep TITLE "$tmp/out.txt")'"
    if [ "$message" != - ]; then
        grep -qE "$message" "$tmp/err.txt" || fail "$case: no message like '$message'"
        if [[ $message == *kept* ]]; then
            aside=${path[$file]}.damaged
            [ -e "$aside" ] || [ -L "$aside" ] || fail "$case: the damaged file was not kept aside"
            [ -z "$before" ] || [ "$(cksum <"$aside")" = "$before" ] || fail "$case: the file kept aside is not the damaged one"
        fi
    fi

    run
    [ "$code" -eq 0 ] || fail "$case: the game did not start again (exit code $code)"
    expected=$(expect "$second" "${title2:--}")
    grep -qxE "$expected" "$tmp/out.txt" || fail "$case, second start: expected '$expected', the game showed '$(grep TITLE "$tmp/out.txt")'"

    if [ "$file" = crash ] || [ "$file" = crashtemp ]; then
        # a crash with this in the report's place: the report is still told, and the program ends
        chmod -R u+rwx "$home" 2>/dev/null
        damage "$file" "$variant"
        run -- -crash
        [ "$code" -ne 0 ] || fail "$case: the crash ended with code 0"
        grep -qE "Report written to|Could not write the report" "$tmp/err.txt" || fail "$case: the crash report was not told"
    fi
    chmod -R u+rwx "$home" 2>/dev/null
    echo "$case: ok"
    cases=$((cases + 1))
done <<<"$table"
echo "PASSED: $cases cases"
