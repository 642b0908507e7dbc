#!/usr/bin/env bash
# End-to-end check of the example show source: examples/starter (under 60 lines of YAML) builds
# into a pack, its snapshots show the turning cube and then the picture, and 'demotool new' writes
# a source that builds into the same pack.
# Usage: example_show.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
demotool=$build/tools/demotool/demotool
example=$source_dir/examples/starter
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "example_show: $*" >&2; exit 1; }

[ -x "$demotool" ] || fail "no demotool in $build"
lines=$(cat "$example"/*.yaml "$example"/*/*.yaml | wc -l)
[ "$lines" -lt 60 ] || fail "the example has $lines lines of source text"

"$demotool" build "$example" -o "$tmp/show/data.pak" || fail "the example does not build"
"$demotool" snapshot --dir "$tmp/show" -o "$tmp/pics" 0.5 2 7 > /dev/null || fail "no snapshot"
for t in 0.500 2.000 7.000; do [ -s "$tmp/pics/$t.png" ] || fail "no picture at $t s"; done
# The cube turns: two moments of the scene differ; the picture cell comes after it.
cmp -s "$tmp/pics/0.500.png" "$tmp/pics/2.000.png" && fail "the scene does not move"
if command -v convert > /dev/null; then
  # At 2 s the cube's colour (0xFFB040) fills the middle of the window.
  middle=$(convert "$tmp/pics/2.000.png" -crop 1x1+512+384 -format '%[hex:u.p{0,0}]' info:)
  [ "${middle:0:6}" = "FFB040" ] || fail "the middle of the scene is $middle, not the cube's colour"
  band=$(convert "$tmp/pics/7.000.png" -crop 1x1+512+384 -format '%[hex:u.p{0,0}]' info:)
  [ "${band:0:6}" = "FFB040" ] || fail "the picture's band is $band at 7 s"
fi

"$demotool" new "$tmp/new" || fail "demotool new failed"
[ -s "$tmp/new/music.mp3" ] || fail "demotool new wrote no music"
"$demotool" build "$tmp/new" -o "$tmp/new-show/data.pak" || fail "the new show does not build"
cmp -s "$tmp/new-show/data.pak" "$tmp/show/data.pak" || fail "demotool new and the example differ"
echo "example_show: ok"
