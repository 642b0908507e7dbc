#!/usr/bin/env bash
# End-to-end check of the sample show folder: make_show writes the same bytes twice, the pack is
# a sound gzip stream, ffprobe reads the music and the FLC file as standard media files, demotool
# inspect finds every node type in the pack, and demotool timeline draws it as well-formed SVG.
# Usage: show_folder.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
make_show=$build/tools/make_show/make_show
demotool=$build/tools/demotool/demotool
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "show_folder: $*" >&2; exit 1; }

[ -x "$make_show" ] || fail "no make_show in $build"
"$make_show" "$tmp/show" || fail "make_show failed"
"$make_show" "$tmp/again" || fail "second make_show failed"
for f in data.pak music.mp3 spinner.flc; do
  [ -s "$tmp/show/$f" ] || fail "$f was not written"
  cmp -s "$tmp/show/$f" "$tmp/again/$f" || fail "$f differs between two runs"
done
gzip -t "$tmp/show/data.pak" || fail "data.pak is not a sound gzip stream"

if command -v ffprobe > /dev/null; then
  duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$tmp/show/music.mp3")
  awk -v d="$duration" 'BEGIN { exit !(d >= 68.0 && d <= 75.0) }' || fail "music lasts $duration s"
  channels=$(ffprobe -v error -select_streams a:0 -show_entries stream=channels,sample_rate -of csv=p=0 "$tmp/show/music.mp3")
  [ "$channels" = "44100,2" ] || fail "music stream is $channels, not 44100 Hz stereo"
  frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames,width,height \
    -of csv=p=0 "$tmp/show/spinner.flc")
  [ "$frames" = "256,256,32" ] || fail "spinner.flc reads as $frames (width, height, frames)"
fi

if [ -x "$demotool" ]; then
  (cd "$tmp/show" && "$demotool" inspect > "$tmp/inspect.txt") || fail "demotool inspect failed"
  for word in SeaMesh3D_FX MetaCube_FX Pisse3D Target3D Camera3D-Source Group3D FLI; do
    grep -q "$word" "$tmp/inspect.txt" || fail "inspect shows no $word"
  done
  # The timeline picture: well-formed XML with a box per cell, the badge and the music's waveform.
  "$demotool" timeline --dir "$tmp/show" -o "$tmp/timeline.svg" > /dev/null || fail "demotool timeline failed"
  command -v xmllint > /dev/null || fail "no xmllint (tools/setup.sh installs libxml2-utils)"
  xmllint --noout "$tmp/timeline.svg" || fail "the timeline is not well-formed XML"
  for part in 'class="cell"' 'class="badge"' 'class="waveform"' 'music ends'; do
    grep -q "$part" "$tmp/timeline.svg" || fail "the timeline has no $part"
  done
fi
echo "show_folder: ok"
