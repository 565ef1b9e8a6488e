#!/bin/sh
# The per-user game folder: first install, refresh, and what is never overwritten.
set -eu
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

mkdir -p "$work/built/Data/GUI" "$work/built/Levels"
echo v1 > "$work/built/Data/GUI/font.zfi"
echo plain-v1 > "$work/built/Levels/a.vle"
echo played-v1 > "$work/built/Levels/b.vle"
sh "$script" "$work/built" "$work/user"
[ "$(cat "$work/user/Levels/a.vle")" = plain-v1 ] || fail "first install"
[ -d "$work/user/Rec" ] || fail "Rec folder"

# The player plays: the game rewrites b.vle with a top ten and writes its settings.
echo played-with-records > "$work/user/Levels/b.vle"
echo settings > "$work/user/Config.dat"
echo replay > "$work/user/Rec/run.cre"
# A new version of the game ships new data and levels.
echo v2 > "$work/built/Data/GUI/font.zfi"
echo plain-v2 > "$work/built/Levels/a.vle"
echo played-v2 > "$work/built/Levels/b.vle"
echo new > "$work/built/Levels/c.vle"
echo gone > "$work/built/Levels/d.vle"
echo gone > "$work/built/Levels/e.vle"
sh "$script" "$work/built" "$work/user"
# The next version no longer ships d and e; e holds the player's records.
rm "$work/built/Levels/d.vle" "$work/built/Levels/e.vle"
echo records > "$work/user/Levels/e.vle"
sh "$script" "$work/built" "$work/user"

[ "$(cat "$work/user/Data/GUI/font.zfi")" = v2 ] || fail "data refreshed"
[ "$(cat "$work/user/Levels/a.vle")" = plain-v2 ] || fail "untouched level updated"
[ "$(cat "$work/user/Levels/b.vle")" = played-with-records ] || fail "records kept"
[ "$(cat "$work/user/Levels/c.vle")" = new ] || fail "new level installed"
[ "$(cat "$work/user/Config.dat")" = settings ] || fail "settings kept"
[ "$(cat "$work/user/Rec/run.cre")" = replay ] || fail "replays kept"
[ ! -e "$work/user/Levels/d.vle" ] || fail "level no longer shipped removed"
[ "$(cat "$work/user/Levels/e.vle")" = records ] || fail "records of a level no longer shipped kept"
[ ! -e "$work/user/Levels/a.vle.tmp" ] || fail "temporary file left"
echo "game folder: ok"
