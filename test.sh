#!/bin/sh
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test.
set -eu
cd "$(dirname "$0")"
tools/install-deps.sh test
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVI2_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$(nproc)"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
