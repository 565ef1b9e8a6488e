#!/bin/sh
# Peak resident size of a headless run after 10 s and after 60 s of game time:
#   bench/headless_memory.sh [BUILD_FOLDER]     (default: build-play)
# Each run creates a player, enters the first level and walks it back and forth, jumping,
# in a fresh copy of the game folder. The figures are the kernel's peak resident size of
# the whole process (GNU time's %M), GL driver included. A run that grows with game time
# shows as growth between the two; a flat one grows by a few MB at most.
set -eu
build=${1:-build-play}
[ -x "$build/tovi2" ] || { echo "no game in $build (build it first)" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "needs GNU time (Debian package time)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The driver as a player's game gets it: llvmpipe with its rasteriser threads.
unset LP_NUM_THREADS

# Creates "Anna", opens Play and starts the first level by tick 41; from tick 100 walks
# 3 s one way and 3 s back, jumping every 1.5 s, until tick 60000.
keys() {
  printf '2 down ENTER\n3 up ENTER\n5 text Anna\n8 down ENTER\n9 up ENTER\n'
  printf '20 down ENTER\n21 up ENTER\n40 down ENTER\n41 up ENTER\n'
  awk 'BEGIN {
    for (t = 100; t < 60000; t += 3000) {
      key = (t - 100) % 6000 ? "LEFT" : "RIGHT"
      printf "%d down %s\n%d up %s\n", t, key, t + 2900, key
    }
    for (t = 600; t < 60000; t += 1500) printf "%d down UP\n%d up UP\n", t, t + 200
  }'
}

peak_mb() {  # TICKS: prints the peak resident size in MB of a run of TICKS game ticks
  rm -rf "$work/game"
  cp -R "$build/game" "$work/game"
  /usr/bin/time -f %M -o "$work/peak" "$build/tovi2" --headless --dir "$work/game" \
    --ticks "$1" --keys "$work/keys" --dump-state "$work/state.json"
  grep -q '"screen":"Game"' "$work/state.json" || {
    echo "the run of $1 ticks left the level:" >&2
    cat "$work/state.json" >&2
    exit 1
  }
  awk '{ printf "%.1f", $1 / 1024 }' "$work/peak"
}

keys > "$work/keys"
after10=$(peak_mb 10000)
after60=$(peak_mb 60000)
echo "peak resident size after 10 s of game time: $after10 MB"
echo "peak resident size after 60 s of game time: $after60 MB"
echo "growth from 10 s to 60 s: $(echo "$after10 $after60" | awk '{ printf "%.1f", $2 - $1 }') MB"
