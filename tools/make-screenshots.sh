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

shoot() {  # NAME TICKS KEYS: the frame after TICKS ticks of the key script KEYS
  rm -rf "$work/game"
  cp -R "$build/game" "$work/game"
  "$build/tovi2" --headless --dir "$work/game" --ticks "$2" \
    --keys "$3" --screenshot "docs/$1.png"
  echo "docs/$1.png"
}

start_keys > "$work/main-menu.keys"
shoot main-menu 400 "$work/main-menu.keys"

{ start_keys; printf '20 down ENTER\n21 up ENTER\n'; } > "$work/level-list.keys"
shoot level-list 400 "$work/level-list.keys"

# The seesaw level, fourth in the list.
{ start_keys; printf '20 down ENTER\n21 up ENTER\n'
  for k in 0 1 2; do printf '%d down DOWN\n%d up DOWN\n' $((30 + 4 * k)) $((31 + 4 * k)); done
  printf '60 down ENTER\n61 up ENTER\n200 down RIGHT\n'; } > "$work/running-level.keys"
shoot running-level 2600 "$work/running-level.keys"

# Moments of the walkthroughs that the tests play: the cart over the spikes, a lever
# beside its gate, the first portal.
levels=tests/game/levels
shoot level-lift 16100 "$levels/07-Lift.keys"
shoot level-lever 4800 "$levels/08-Lever.keys"
shoot level-portal 1900 "$levels/10-Portal.keys"
