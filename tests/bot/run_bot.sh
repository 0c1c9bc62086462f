#!/usr/bin/env bash
# Runs the game bot in a game folder and a home of its own (both removed afterwards): the built main.pak and the
# loose music linked into the folder, no settings or players of the user's. Headless unless ZEST_VIDEO says
# otherwise. KEEP_HOME=DIR keeps the home there instead (the replay check compares it before and after).
# usage: run_bot.sh GAME_BOT MAIN_PAK MUSIC_DIR [game_bot options...]
set -u
bot=$1 pak=$2 music=$3
shift 3
[ -x "$bot" ] || { echo "no bot program at $bot"; exit 1; }
bot=$(realpath "$bot") # the bot runs in a folder of its own
[ -f "$pak" ] || { echo "no main.pak at $pak (build the content target)"; exit 1; }
tmp=$(mktemp -d "${TMPDIR:-/tmp}/embercook-bot.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/game"
ln -s "$(realpath "$pak")" "$tmp/game/main.pak"
ln -s "$(realpath "$music")" "$tmp/game/music"
home=${KEEP_HOME:-$tmp/home}
mkdir -p "$home/run"
chmod 700 "$home/run"
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache
export XDG_RUNTIME_DIR=$home/run
export ZEST_VIDEO=${ZEST_VIDEO:-headless} ZEST_AUDIO=${ZEST_AUDIO:-null}
cd "$tmp/game" && "$bot" "$@"
