#!/bin/sh
# CPU time of the real game in an 800 x 600 window under Xvfb, as a share of one core:
#   bench/window_cpu.sh [BUILD_FOLDER] [menu|level] [RUNS] [LEVEL_ROW]
# (defaults: build-play, menu, 3, 0). Each run starts the game windowed in a fresh copy of
# the build's game folder. "menu" leaves it on Choose Player; "level" creates a player with
# xdotool key presses, opens Play and starts the level on row LEVEL_ROW of the list (0 is
# the first). After 20 s of settling, the process's user + system time (all threads, GL
# driver included) is read from /proc over 10 s of wall time. It counts only this
# process's CPU time, but on a busy machine that time still grows with the load (the
# driver's threads contend for the cores): compare two builds by running this for both at
# the same time (their game folders are copies, so they never meet).
set -eu
build=${1:-build-play}
mode=${2:-menu}
runs=${3:-3}
row=${4:-0}
settle=${SETTLE_SECONDS:-20}
window=${WINDOW_SECONDS:-10}
[ -x "$build/tovi2" ] || { echo "no game in $build (build it first)" >&2; exit 1; }
case $mode in menu | level) ;; *) echo "mode is menu or level" >&2; exit 1 ;; esac
if [ -z "${WINDOW_CPU_DISPLAY_READY:-}" ]; then
  command -v xvfb-run > /dev/null || { echo "needs xvfb-run (Debian package xvfb)" >&2; exit 1; }
  export WINDOW_CPU_DISPLAY_READY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$mode" "$runs" "$row"
fi
[ "$mode" = menu ] || command -v xdotool > /dev/null || {
  echo "needs xdotool (Debian package xdotool)" >&2
  exit 1
}
work=$(mktemp -d)
game_pid=
cleanup() {
  [ -z "$game_pid" ] || kill "$game_pid" 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# The driver as a player's game gets it: llvmpipe with its rasteriser threads.
unset LP_NUM_THREADS
export SDL_AUDIODRIVER=dummy

cpu_ticks() {  # utime + stime of process $1, in clock ticks
  awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"
}

press() {  # KEY...: one press each, a little apart so that every one lands in its own tick
  for key in "$@"; do
    xdotool key --delay 60 "$key"
    sleep 0.3
  done
}

game_window() {  # the game's window id, waiting up to 10 s for it to show
  tries=0
  while [ "$tries" -lt 20 ]; do
    wid=$(xdotool search --onlyvisible --name '^Tovi2$' 2> /dev/null | head -n 1)
    [ -z "$wid" ] || { echo "$wid"; return; }
    sleep 0.5
    tries=$((tries + 1))
  done
  echo "the game's window did not show" >&2
  exit 1
}

enter_level() {
  wid=$(game_window)
  [ -n "$wid" ] || exit 1
  xdotool windowfocus "$wid"
  sleep 1
  press Return
  xdotool type --delay 80 Bench
  sleep 0.3
  press Return Return
  i=0
  while [ "$i" -lt "$row" ]; do
    press Down
    i=$((i + 1))
  done
  press Return
}

one_run() {
  rm -rf "$work/game"
  cp -R "$build/game" "$work/game"
  "$build/tovi2" --dir "$work/game" --windowed > "$work/log" 2>&1 &
  game_pid=$!
  sleep 2
  [ "$mode" = menu ] || enter_level
  sleep "$settle"
  kill -0 "$game_pid" 2> /dev/null || { echo "the game ended early:" >&2; cat "$work/log" >&2; exit 1; }
  before=$(cpu_ticks "$game_pid")
  sleep "$window"
  after=$(cpu_ticks "$game_pid")
  kill "$game_pid"
  wait "$game_pid" 2> /dev/null || true
  game_pid=
  echo "$before $after $(getconf CLK_TCK) $window" |
    awk '{ printf "%.1f\n", ($2 - $1) / $3 / $4 * 100 }'
}

all=
n=0
while [ "$n" -lt "$runs" ]; do
  share=$(one_run) || exit 1
  echo "$mode run $((n + 1)): $share % of a core"
  all="$all $share"
  n=$((n + 1))
done
echo "$all" | awk -v mode="$mode" '{
  s = 0; for (i = 1; i <= NF; i++) s += $i
  printf "%s: mean %.1f %% of a core over %d runs\n", mode, s / NF, NF
}'
