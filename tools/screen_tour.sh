#!/usr/bin/env bash
# The screen tour: runs the real game (the game bot's --tour mode) on a private X server at 800x600, takes a picture
# of the window at every screen and window it reaches, and lays them out, each labelled, on one contact sheet.
# Usage: tools/screen_tour.sh [build folder] [output folder]
#   build folder   default build/release (needs tests/game_bot and content/main.pak built there)
#   output folder  default <build folder>/tour: the single shots (NN_name.png) and contact_sheet.jpg
# TOUR_SHEET=FILE also copies the sheet there (e.g. tests/screens/tour/contact_sheet.jpg); TOUR_LIMIT (seconds,
# default 900) bounds the whole run. Needs Xvfb, xdotool, xwd and ImageMagick.
set -u

here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build/release}" && pwd) || exit 2
out=${2:-$build/tour}
mkdir -p "$out" && out=$(cd "$out" && pwd)
bot=$build/tests/game_bot
content=$build/content
for tool in Xvfb xdotool xwd montage convert; do
    command -v "$tool" >/dev/null 2>&1 || { echo "screen_tour: $tool is not installed"; exit 2; }
done
[ -x "$bot" ] || { echo "screen_tour: no game bot at $bot (build the game_bot target)"; exit 2; }

# A private X server on a free display number.
display=
for _ in $(seq 20); do
    n=$((50 + RANDOM % 400))
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 800x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xpid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if kill -0 "$xpid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then display=:$n; break; fi
done
[ -n "$display" ] || { echo "screen_tour: could not start Xvfb"; exit 2; }
export DISPLAY=$display
trap 'kill "$xpid" 2>/dev/null' EXIT

rm -f "$out"/[0-9][0-9]_*.png "$out/contact_sheet.jpg"
app=$bot
shots=$out
limit=${TOUR_LIMIT:-900}
name=tour
# shellcheck source=../tests/e2e/game_lib.sh
source "$here/tests/e2e/game_lib.sh"
trap 'cleanup; kill "$xpid" 2>/dev/null' EXIT
cd "$content" || fail "no content folder at $content"

start_game --tour --name Tour --pause-file "$tmp/go" --tries 8
deadline=$(( $(date +%s) + limit ))
taken=0
while [ "$(date +%s)" -lt "$deadline" ]; do
    # The next picture the game stands still for, by its count.
    next=$(grep -m1 "^PAUSED $(printf '%02d' $((taken + 1)))_" "$tmp/out.txt" | cut -d' ' -f2)
    if [ -n "$next" ]; then
        sleep 0.3
        measure
        shot
        keep "$next"
        echo "shot $next"
        taken=$((taken + 1))
        touch "$tmp/go"
        continue
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && echo "screen_tour: the tour did not end within $limit s"
grep -E '^(day|bot|tour)' "$tmp/out.txt"

# The windows the tour could not reach yet get a marked empty place on the sheet.
for wanted in story game_complete; do
    ls "$out"/[0-9][0-9]_"$wanted".png >/dev/null 2>&1 && continue
    convert -font DejaVu-Sans -size 800x600 xc:'#303030' -fill '#e0e0e0' -pointsize 36 -gravity center \
        -annotate 0 "$wanted:\nnot reached by the tour" "$out/99_${wanted}_MISSING.png"
done

# The sheet: every shot at a quarter of its area, its name under it.
montage -font DejaVu-Sans -pointsize 13 -label '%t' "$out"/[0-9][0-9]_*.png -tile 7x -geometry 320x240+3+3 \
    -background '#202020' -fill white -quality 82 "$out/contact_sheet.jpg" || fail "montage failed"
echo "screen_tour: $taken shots and $out/contact_sheet.jpg"
if [ -n "${TOUR_SHEET:-}" ]; then cp "$out/contact_sheet.jpg" "$TOUR_SHEET"; fi
