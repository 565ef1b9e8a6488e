#!/bin/sh
# Installs what is missing, builds the game, prepares your game folder and starts it.
# Extra arguments go to the game (for example --windowed).
set -eu
cd "$(dirname "$0")"
tools/install-deps.sh play
cmake -S . -B build-play -DCMAKE_BUILD_TYPE=Release -DTOVI2_TESTS=OFF -DTOVI2_BENCH=ON >/dev/null
cmake --build build-play -j"$(nproc)"
folder="${XDG_DATA_HOME:-$HOME/.local/share}/tovi2"
tools/prepare-game-folder.sh build-play/game "$folder"
exec build-play/tovi2 --dir "$folder" "$@"
