#!/bin/sh
# Prepares the per-user game folder from the built program folder.
#   tools/prepare-game-folder.sh BUILT_GAME_FOLDER USER_GAME_FOLDER
# The shipped data is refreshed on every run. Levels are copied only when the player's
# folder does not have them yet, so a level the game rewrote with a new top ten is never
# overwritten. The player's Config.dat and Rec/ are never touched.
set -eu
src=$1
dest=$2
mkdir -p "$dest/Levels" "$dest/Rec"
cp -R "$src/Data" "$dest/"
if [ -d "$src/Levels" ]; then
  for f in "$src/Levels"/* ; do
    [ -e "$f" ] || continue
    [ -e "$dest/Levels/$(basename "$f")" ] || cp -R "$f" "$dest/Levels/"
  done
fi
