#!/usr/bin/env bash
# Reads back the AVI files that the Windows recorder test wrote under Wine: ffprobe finds one
# video stream of the recorded size and frame count, the first decoded frame has the red upper
# half and the blue lower half that were written bottom row first, and every frame decodes. The
# files include a recording whose 10th frame failed (9 frames kept), one whose rename failed
# (kept under its temporary name) and one split over three files by a test-sized file limit.
# Argument: the folder of the files.
set -u
DIR=${1:?folder of the AVI files}
command -v ffprobe >/dev/null || { echo "FAIL: ffprobe is not installed"; exit 1; }
status=0
for expected in "frames_160x90.avi 160 90 5" "frames_75x40.avi 75 40 3" "replaced.avi 64 32 2" \
    "tenth_fails.avi 64 32 9" "held_open.avi.part 64 32 4" \
    "long.avi 64 32 3" "long_002.avi 64 32 3" "long_003.avi 64 32 2"; do
  read -r name w h frames <<<"$expected"
  file="$DIR/$name"
  [ -f "$file" ] || { echo "FAIL [$name]: missing"; status=1; continue; }
  got=$(ffprobe -v error -count_frames -select_streams v:0 \
    -show_entries stream=codec_name,width,height,nb_read_frames -of csv=p=0 "$file")
  if [ "$got" != "rawvideo,$w,$h,$frames" ]; then
    echo "FAIL [$name]: ffprobe reads '$got', expected 'rawvideo,$w,$h,$frames'"; status=1; continue
  fi
  # Top-left and bottom-right pixels of the first frame, as decoded (top row first).
  pixels=$(ffmpeg -v error -i "$file" -frames:v 1 -f rawvideo -pix_fmt rgb24 - | od -An -v -tu1 | tr -s ' \n' ' ')
  read -r -a p <<<"$pixels"
  n=${#p[@]}
  if [ "$n" -ne $((w * h * 3)) ]; then
    echo "FAIL [$name]: first frame has $n bytes"; status=1; continue
  fi
  top_left="${p[0]} ${p[1]} ${p[2]}"
  bottom_right="${p[n-3]} ${p[n-2]} ${p[n-1]}"
  if [ "$top_left" != "255 255 0" ] || [ "$bottom_right" != "0 0 255" ]; then
    echo "FAIL [$name]: top-left $top_left (expected 255 255 0), bottom-right $bottom_right (expected 0 0 255)"
    status=1; continue
  fi
  # Every frame decodes without a word from the decoder: the file plays through.
  errors=$(ffmpeg -v error -i "$file" -f null - 2>&1)
  if [ -n "$errors" ]; then
    echo "FAIL [$name]: decoding reports: $errors"; status=1; continue
  fi
  echo "ok [$name]: ${w}x$h, $frames frames, picture the right way up, plays through"
done
exit $status
