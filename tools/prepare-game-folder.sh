#!/bin/sh
# Prepares the per-user game folder from the built program folder.
#   tools/prepare-game-folder.sh BUILT_GAME_FOLDER USER_GAME_FOLDER
# The shipped data is refreshed on every run. A shipped level is installed when the
# player's folder does not have it, and updated only while the player's copy is still the
# one installed last: a level the game rewrote with a new top ten is never overwritten.
# A level the game no longer ships is removed the same way: only while untouched.
# The player's Config.dat and Rec/ are never touched.
set -eu
src=$1
dest=$2
shipped="$dest/.shipped/Levels"  # what was installed last, to tell the game's rewrites
mkdir -p "$dest/Levels" "$dest/Rec" "$shipped"
cp -R "$src/Data" "$dest/"
for f in "$src/Levels"/*; do
  [ -f "$f" ] || continue
  name=$(basename "$f")
  mine="$dest/Levels/$name"
  if [ ! -e "$mine" ] || { [ -f "$shipped/$name" ] && cmp -s "$mine" "$shipped/$name"; }; then
    cp "$f" "$mine.tmp" && mv "$mine.tmp" "$mine"
    cp "$f" "$shipped/$name"
  fi
done
for f in "$shipped"/*; do
  [ -f "$f" ] || continue
  name=$(basename "$f")
  [ -e "$src/Levels/$name" ] && continue
  mine="$dest/Levels/$name"
  if [ -f "$mine" ] && cmp -s "$mine" "$f"; then rm -f "$mine"; fi
  rm -f "$f"
done
