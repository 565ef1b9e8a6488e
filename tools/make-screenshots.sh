#!/bin/sh
# Regenerates the screenshots in docs/ with the headless mode of a built game:
#   tools/make-screenshots.sh [BUILD_FOLDER]     (default: build)
# Each picture is the last frame of a scripted run in a fresh copy of the game folder.
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Creates the player "Anna", then leaves the keys of the rest of the run to the caller.
start_keys() {
  cat <<KEYS
2 down ENTER
3 up ENTER
5 text Anna
8 down ENTER
9 up ENTER
KEYS
}

shoot() {  # NAME TICKS: runs the key script $work/NAME.keys
  rm -rf "$work/game"
  cp -R "$build/game" "$work/game"
  "$build/tovi2" --headless --dir "$work/game" --ticks "$2" \
    --keys "$work/$1.keys" --screenshot "docs/$1.png"
  echo "docs/$1.png"
}

start_keys > "$work/main-menu.keys"
shoot main-menu 400

{ start_keys; printf '20 down ENTER\n21 up ENTER\n'; } > "$work/level-list.keys"
shoot level-list 400

{ start_keys; printf '20 down ENTER\n21 up ENTER\n30 down DOWN\n31 up DOWN\n'
  printf '40 down ENTER\n41 up ENTER\n200 down RIGHT\n1900 down UP\n1990 up UP\n'; } \
  > "$work/running-level.keys"
shoot running-level 2600
