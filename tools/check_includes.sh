#!/usr/bin/env bash
# Fails when a source file outside platform/ includes a system header (SDL, POSIX, Linux, X11): only the
# platform layer talks to the operating system. Also fails when a framework folder includes one above it.
set -u
root=${1:-$(dirname "$0")/..}
cd "$root" || exit 2
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](SDL[^>"]*|unistd\.h|sys/[^>"]*|dlfcn\.h|pthread\.h|fcntl\.h|dirent\.h|poll\.h|spawn\.h|termios\.h|sched\.h|semaphore\.h|linux/[^>"]*|asm/[^>"]*|X11/[^>"]*|netinet/[^>"]*|arpa/[^>"]*|netdb\.h|syslog\.h|pwd\.h|grp\.h)[>"]'
hits=$(find . -path ./platform -prune -o -path './build*' -prune -o -path ./.git -prune -o \
    -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.cc' -o -name '*.c' \) -print0 |
    xargs -0 -r grep -n -E "$pattern" 2>/dev/null)
if [ -n "$hits" ]; then
    echo "System headers included outside platform/:"
    echo "$hits"
    exit 1
fi
echo "system headers appear only in platform/"

# Framework folders include only folders below them: platform <- base <- data <- graphics <- widgets, sound
# <- resources <- app <- game. An include that points upward is a layering fault.
status=0
check_layer() {
    local folder=$1 forbidden=$2
    case $folder in game/*) ;; *) folder=framework/$folder ;; esac
    [ -d "$folder" ] || return 0
    local up
    up=$(grep -rn -E "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"($forbidden)/" "$folder" 2>/dev/null)
    if [ -n "$up" ]; then
        echo "$folder includes a folder above it:"
        echo "$up"
        status=1
    fi
}
check_layer base 'data|graphics|widgets|sound|resources|app|game|board|screens'
check_layer data 'graphics|widgets|sound|resources|app|game|board|screens'
check_layer graphics 'widgets|sound|resources|app|game|board|screens'
check_layer widgets 'sound|resources|app|game|board|screens'
check_layer sound 'graphics|widgets|resources|app|game|board|screens'
check_layer resources 'app|game|board|screens'
check_layer app 'game'
check_layer game/core 'game/board|game/screens|board|screens'
check_layer game/board 'game/screens|screens'
[ "$status" -eq 0 ] && echo "framework and game folders include only folders below them"
exit "$status"
