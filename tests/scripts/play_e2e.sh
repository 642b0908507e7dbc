#!/usr/bin/env bash
# demotool play under Xvfb, driven with xdotool on the sample show: the picture moves while
# playing and holds while paused; after Home and a jump of 5 s the window shows what demotool
# snapshot takes at 5.000 (picture area) and S writes that very picture; R after the pack was
# replaced shows the new pack at the same time; a damaged replacement keeps the show that was
# playing and the overlay shows the error; Escape ends it with exit code 0.
# Arguments: build folder, source folder.
set -u
BUILD_DIR=$(cd "${1:?build folder}" && pwd)
TOOL="$BUILD_DIR/tools/demotool/demotool"
PACKER="$BUILD_DIR/tools/test_pack/test_pack"
SAMPLE="$BUILD_DIR/show"
for bin in "$TOOL" "$PACKER"; do
  [ -x "$bin" ] || { echo "FAIL: $bin is missing"; exit 1; }
done
[ -f "$SAMPLE/data.pak" ] || { echo "FAIL: the sample show is missing in $SAMPLE"; exit 1; }
for tool in Xvfb xdotool import convert compare cmp; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

XVFB_FIRST=260
. "$(dirname "$0")/lib/xvfb.sh"

W=1024 H=768
PICTURE="1024x576+0+96"  # the 16:9 picture inside the 96-row letterbox bars
status=0
fail() { echo "FAIL: $*"; status=1; }

# Waits (up to 120 s) until the file holds n lines matching the pattern; false if play ended.
wait_for() {  # file pattern n
  for _ in $(seq 1200); do
    [ "$(grep -c -- "$2" "$1" 2>/dev/null)" -ge "$3" ] && return 0
    kill -0 "$APP_PID" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
key() { xdotool key "$1"; }
shot() { import -window root -depth 8 "$WORK/$1.png" 2>>"$WORK/import.log"; }
# Pixels that differ between two pictures (the picture area of each when "picture" is given).
differing() {  # a b [picture]
  local crop=()
  [ "${3:-}" = picture ] && crop=(-crop "$PICTURE" +repage)
  convert "$1" "${crop[@]}" "$WORK/cmp_a.png" && convert "$2" "${crop[@]}" "$WORK/cmp_b.png" &&
    compare -metric AE "$WORK/cmp_a.png" "$WORK/cmp_b.png" null: 2>&1
}
# Share (0..1) of pixels in the overlay's warning colour.
alert_share() { convert "$1" -fill black +opaque "#FFAA28" -fill white -opaque "#FFAA28" -format "%[fx:mean]" info:; }

mkdir -p "$WORK/show" "$WORK/new"
cp "$SAMPLE/data.pak" "$SAMPLE/spinner.flc" "$SAMPLE/music.mp3" "$WORK/show/"
cp "$SAMPLE/spinner.flc" "$SAMPLE/music.mp3" "$WORK/new/"
"$PACKER" "$WORK/new/data.pak" || { echo "FAIL: test_pack failed"; exit 1; }

start_xvfb "${W}x${H}x24" || exit 1
(cd "$WORK" && exec timeout 280 "$TOOL" play --dir show >"$WORK/out" 2>"$WORK/err") &
APP_PID=$!
if ! wait_for "$WORK/out" "^playing from" 1 || ! id=$(timeout 30 xdotool search --sync --name '^demotool play$' | head -1); then
  echo "FAIL: play did not start"; cat "$WORK/out" "$WORK/err"; exit 1
fi
xdotool windowfocus "$id" 2>/dev/null

# Playing (overlay hidden): the picture moves. Paused: it holds.
key h
sleep 1; shot play1; sleep 1; shot play2
moved=$(differing "$WORK/play1.png" "$WORK/play2.png" picture)
[ "${moved%% *}" != 0 ] || fail "the picture did not move while playing"
key space
wait_for "$WORK/out" "^paused at" 1 || fail "no pause"
sleep 0.5; shot pause1; sleep 1; shot pause2
held=$(differing "$WORK/pause1.png" "$WORK/pause2.png")
[ "$held" = 0 ] && echo "ok [pause]: two screenshots 1 s apart are equal (playing: $moved pixels changed in 1 s)" ||
  fail "the paused picture changed ($held pixels)"

# Home, then 5 s forward: the window shows snapshot's 5.000, and S writes it.
key Home
wait_for "$WORK/out" "^shown 0:00.000 (step 0)" 2 || fail "Home did not show 0:00.000"
key Right
wait_for "$WORK/out" "^shown 0:05.000 (step 300)" 1 || fail "Right did not show 0:05.000"
sleep 0.5; shot jump
key s
wait_for "$WORK/out" "^wrote 5.000.png" 1 || fail "S wrote no picture"
(cd "$WORK" && "$TOOL" snapshot --dir show -o snap 5 >/dev/null 2>"$WORK/snap.err") || fail "snapshot failed: $(cat "$WORK/snap.err")"
jumped=$(differing "$WORK/jump.png" "$WORK/snap/5.000.png" picture)
[ "$jumped" = 0 ] && echo "ok [jump]: the window after Home, Right equals snapshot 5.000 in the picture area" ||
  fail "after the jump the window differs from snapshot 5.000 in $jumped pixels of the picture"
if cmp -s "$WORK/5.000.png" "$WORK/snap/5.000.png"; then
  echo "ok [S]: 5.000.png is byte-identical to snapshot's"
else
  fail "S's 5.000.png differs from snapshot's ($(differing "$WORK/5.000.png" "$WORK/snap/5.000.png") pixels)"
fi

# A new pack, then R: the new show at the same time.
cp "$WORK/new/data.pak" "$WORK/show/data.pak"
key r
wait_for "$WORK/out" "^reloaded data.pak at 0:05.000" 1 || fail "R did not reload"
wait_for "$WORK/out" "^shown 0:05.000 (step 300)" 2 || fail "R did not return to 0:05.000"
sleep 0.5; shot reloaded
(cd "$WORK" && "$TOOL" snapshot --dir new -o snapnew 5 >/dev/null 2>"$WORK/snap.err") || fail "snapshot failed: $(cat "$WORK/snap.err")"
renewed=$(differing "$WORK/reloaded.png" "$WORK/snapnew/5.000.png" picture)
changed=$(differing "$WORK/reloaded.png" "$WORK/jump.png" picture)
[ "$renewed" = 0 ] && [ "$changed" != 0 ] && echo "ok [reload]: R shows the new pack at 0:05.000 as snapshot does" ||
  fail "after R the window differs from the new pack's snapshot in $renewed pixels ($changed from the old show)"

# A damaged pack, then R: the show stays as it was and the overlay shows the error.
size=$(stat -c %s "$WORK/new/data.pak")
head -c $((size / 2)) "$WORK/new/data.pak" >"$WORK/show/data.pak"
before=$(alert_share "$WORK/reloaded.png")
key r
wait_for "$WORK/err" "reload failed" 1 || fail "the damaged pack was not reported"
wait_for "$WORK/out" "^shown 0:05.000 (step 300)" 3 || fail "the failed reload did not return to 0:05.000"
sleep 0.5; shot kept
key h
sleep 1; shot overlay
kept=$(differing "$WORK/kept.png" "$WORK/reloaded.png")
alert=$(alert_share "$WORK/overlay.png")
if [ "$kept" = 0 ] && awk "BEGIN { exit !($alert > 0.001 && $before == 0) }" &&
   grep -q "reload failed, still playing the previous pack: data.pak: truncated at byte [0-9]" "$WORK/err"; then
  echo "ok [damaged]: the show is kept and the overlay shows the error ($alert of the window in its colour)"
else
  fail "damaged pack: $kept pixels changed, warning colour $alert (before $before)"; cat "$WORK/err"
fi

# Escape: exit code 0.
key Escape
rc=0
wait "$APP_PID" || rc=$?
APP_PID=""
[ "$rc" -eq 0 ] && echo "ok [escape]: exit code 0" || { fail "exit code $rc after Escape"; cat "$WORK/err"; }
stop_xvfb
exit $status
