#!/bin/sh
# Installs what is missing, checks that the optimised build the play command makes still
# compiles (the optimiser warns about things the sanitizer build does not see), builds
# with AddressSanitizer and UndefinedBehaviorSanitizer, and runs every test.
set -eu
cd "$(dirname "$0")"
tools/install-deps.sh test
cmake -S . -B build-play -DCMAKE_BUILD_TYPE=Release -DTOVI2_TESTS=OFF -DTOVI2_BENCH=ON -DTOVI2_WERROR=ON >/dev/null
cmake --build build-play -j"$(nproc)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVI2_SANITIZE=ON -DTOVI2_WERROR=ON >/dev/null
cmake --build build-asan -j"$(nproc)"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy LP_NUM_THREADS=0
ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
