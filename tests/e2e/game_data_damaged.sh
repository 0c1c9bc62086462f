#!/usr/bin/env bash
# The real game (headless) started beside a main.pak that is missing, empty, cut short, damaged, random, a folder, a
# device or a pipe, and beside one whose picture of the "Game" group (loaded by the loading thread) is damaged: each
# time the game must end within the limit with exit code 1 and say on standard error what is wrong, naming main.pak
# and the folder for a data file it cannot use.
# Usage: game_data_damaged.sh <embercook> <main.pak>
set -u

app=$1
pak=$2
limit=30
fail() { echo "FAILED: $*"; exit 1; }
[ -x "$app" ] || fail "no program at $app"
[ -f "$pak" ] || fail "no main.pak at $pak"
command -v python3 >/dev/null 2>&1 || { echo "SKIPPED: python3 is not installed"; exit 77; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/embercook-data.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
export XDG_CONFIG_HOME=$tmp/home/config XDG_DATA_HOME=$tmp/home/data XDG_CACHE_HOME=$tmp/home/cache
export XDG_RUNTIME_DIR=$tmp/run ZEST_VIDEO=headless ZEST_AUDIO=null
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# damage_picture PAK NAME: changes a few bytes in the middle of that packed file (names as the pack spells them).
damage_picture() {
    python3 - "$1" "$2" <<'EOF'
import struct, sys
path, wanted = sys.argv[1], sys.argv[2].lower()
data = bytearray(open(path, 'rb').read())
plain = bytes(b ^ 0xA9 for b in data[:1 << 20])
pos, offset, found = 8, 0, None
entries = []
while plain[pos] & 0x80 == 0:
    n = plain[pos + 1]
    name = plain[pos + 2:pos + 2 + n].decode('latin-1').replace('\\', '/').lower()
    size = struct.unpack_from('<I', plain, pos + 2 + n)[0]
    entries.append((name, offset, size))
    offset += size
    pos += 2 + n + 4 + 8
start = pos + 1
for name, off, size in entries:
    if name.rsplit('.', 1)[0] == wanted:
        for i in range(8):
            data[start + off + size // 2 + i] ^= 0x5A
        open(path, 'wb').write(data)
        sys.exit(0)
sys.exit('no ' + wanted + ' in the pack')
EOF
}

# run CASE EXPECTED: the game in $tmp/CASE, which must end with code 1 and print EXPECTED (and main.pak's folder).
run() {
    local dir=$tmp/$1 expected=$2 started code
    cd "$dir" || fail "$1: no folder"
    started=$(date +%s%N)
    timeout -s KILL "$limit" "$app" >"$tmp/out.txt" 2>"$tmp/err.txt"
    code=$?
    local ms=$(( ($(date +%s%N) - started) / 1000000 ))
    [ "$code" -ne 137 ] || fail "$1: still running after $limit s"
    [ "$code" -eq 1 ] || { cat "$tmp/err.txt"; fail "$1: exit code $code, not 1"; }
    grep -qF "$expected" "$tmp/err.txt" || { cat "$tmp/err.txt"; fail "$1: no \"$expected\" on standard error"; }
    echo "$1: ended after $ms ms with code 1: $(grep -m 1 'FATAL ERROR' "$tmp/err.txt")"
}

for c in missing empty cut damaged random folder device pipe picture; do mkdir -p "$tmp/$c"; done
: >"$tmp/empty/main.pak"
size=$(stat -c %s "$pak")
head -c $((size / 2)) "$pak" >"$tmp/cut/main.pak"
cp "$pak" "$tmp/damaged/main.pak"
printf 'PK\003\004' | dd of="$tmp/damaged/main.pak" conv=notrunc status=none
head -c 65536 /dev/urandom >"$tmp/random/main.pak"
mkdir "$tmp/folder/main.pak"
ln -s /dev/zero "$tmp/device/main.pak"
mkfifo "$tmp/pipe/main.pak"
cp "$pak" "$tmp/picture/main.pak"
damage_picture "$tmp/picture/main.pak" images/devices/battery || fail "cannot damage the picture"

for c in missing empty cut damaged random folder device pipe; do
    case $c in
    missing) words="main.pak was not found in the folder $tmp/$c." ;;
    empty) words="main.pak in the folder $tmp/$c is empty." ;;
    cut) words="main.pak in the folder $tmp/$c is incomplete" ;;
    damaged | random) words="main.pak in the folder $tmp/$c is damaged" ;;
    folder | device | pipe) words="main.pak in the folder $tmp/$c is not a file" ;;
    esac
    run "$c" "$words"
done
run picture "Failed to load image: images/devices/battery"
echo "PASSED"
