#!/bin/bash
# Start-up to the first menu frame, headless:
#   bench/startup_time.sh [BUILD_FOLDER] [RUNS]     (default: build-play, 21 runs)
# "game" is the program in a fresh copy of the shipped game folder, stopped after its first
# tick: it reads the settings and the menu's resources and draws the first menu ("Choose
# Player") once. "floor" is
# the same program on an empty folder: the process, SDL, the offscreen GL context and
# nothing of the game's own files. Both run alternately; the figures are medians of wall
# time and of CPU time (user + system), and game/floor.
set -eu
build=${1:-build-play}
runs=${2:-21}
[ -x "$build/tovi2" ] || { echo "no game in $build (build it first)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset LP_NUM_THREADS  # the driver as a player's game gets it

run() {  # FOLDER OUT: appends "wall cpu" in ms of one run to OUT
  local TIMEFORMAT='%3R %3U %3S'
  { time "$build/tovi2" --headless --dir "$1" --ticks 1 --dump-state "$work/state.json"; } \
    2> "$work/t"
  tail -n 1 "$work/t" | awk '{ printf "%.0f %.0f\n", $1 * 1000, ($2 + $3) * 1000 }' >> "$2"
}

median() {  # FILE COLUMN
  sort -n -k "$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { print v[int((NR + 1) / 2)] }'
}

mkdir "$work/empty"
i=0
while [ "$i" -lt "$runs" ]; do
  rm -rf "$work/game" "$work/empty"/*
  cp -R "$build/game" "$work/game"
  run "$work/game" "$work/game.times"
  grep -q '"screen":"Choose Player"' "$work/state.json" || {
    echo "the first tick did not show the first menu:" >&2
    cat "$work/state.json" >&2
    exit 1
  }
  run "$work/empty" "$work/floor.times"
  i=$((i + 1))
done

gw=$(median "$work/game.times" 1) gc=$(median "$work/game.times" 2)
fw=$(median "$work/floor.times" 1) fc=$(median "$work/floor.times" 2)
printf '%-8s %9s %9s\n' "" "wall ms" "cpu ms"
printf '%-8s %9s %9s\n' game "$gw" "$gc" floor "$fw" "$fc"
awk -v a="$gw" -v b="$fw" -v c="$gc" -v d="$fc" \
  'BEGIN { printf "%-8s %9.2f %9.2f\n", "ratio", a / b, c / d }'
