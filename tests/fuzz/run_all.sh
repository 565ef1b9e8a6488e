#!/bin/sh
# Runs the named fuzz targets (default: all of them) for MINUTES minutes each (default 1), one
# after another, from a copy of their seeds, so the committed seeds stay as they are. Findings
# land in the current folder. Build first:
#   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DTOVI2_FUZZ=ON && cmake --build build-fuzz -j2
# Usage: tests/fuzz/run_all.sh [MINUTES] [BUILD_DIR] [TARGET...]
set -eu
minutes=${1:-1}
build=${2:-build-fuzz}
shift $(($# < 2 ? $# : 2))
targets=${*:-dat_fuzz zip_fuzz anim_fuzz level_fuzz replay_fuzz exec_fuzz compiler_fuzz}
seeds=$(dirname "$0")/seeds
for target in $targets; do
  corpus=$(mktemp -d)
  if [ -d "$seeds/$target" ]; then cp "$seeds/$target"/* "$corpus"; fi
  cases=$(dirname "$0")/../script/cases
  if [ "$target" = compiler_fuzz ]; then cp "$cases"/* "$corpus"; fi
  # Whole and damaged packages of the hostile corpus.
  if [ "$target" = zip_fuzz ]; then cp "$(dirname "$0")"/../hostile/packages/*.zle "$corpus"; fi
  if [ "$target" = exec_fuzz ]; then "$build/tests/fuzz/compile_seeds" "$corpus" "$cases"/*.pas; fi
  echo "== $target"
  max_len=4096
  if [ "$target" = exec_fuzz ]; then max_len=16384; fi  # seeds are whole compiled programs
  "$build/tests/fuzz/$target" -max_total_time=$((minutes * 60)) -max_len=$max_len "$corpus"
  rm -rf "$corpus"
done
