#!/bin/sh
# Installs the Debian/Ubuntu packages the game needs that are missing, and nothing else.
#   tools/install-deps.sh play   what building and playing needs
#   tools/install-deps.sh test   that, plus the test tools
set -eu

PLAY="g++ cmake make pkg-config libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev
fonts-dejavu-core libgl-dev libegl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-mesa0
libchipmunk-dev zlib1g-dev"
TEST="libgtest-dev libbenchmark-dev liblua5.4-dev zip unzip"

wanted=$PLAY
[ "${1:-play}" = test ] && wanted="$PLAY $TEST"

missing=""
for p in $wanted; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing
