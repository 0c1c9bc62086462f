#!/usr/bin/env bash
# Fails when a source file outside platform/ includes a system header (SDL, POSIX, Linux, X11): only the
# platform layer talks to the operating system.
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
exit 0
