#!/usr/bin/env bash
# demotool play --dir on a show source (a copy of examples/starter) under Xvfb, driven with
# xdotool: the source is built into a temporary folder and played; a saved edit is rebuilt and
# shown at the same time, as snapshot shows a build of the edited source; a typo keeps the picture
# and shows the problem with its file:line:column on standard error and in the overlay; the fix
# clears it; nothing is written into the source, and the temporary folder is gone after Escape.
# Arguments: build folder, source folder.
set -u
BUILD_DIR=$(cd "${1:?build folder}" && pwd)
SOURCE_DIR=$(cd "${2:?source folder}" && pwd)
TOOL="$BUILD_DIR/tools/demotool/demotool"
[ -x "$TOOL" ] || { echo "FAIL: $TOOL is missing"; exit 1; }
for tool in Xvfb xdotool import convert compare; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

XVFB_FIRST=320
. "$(dirname "$0")/lib/xvfb.sh"
. "$(dirname "$0")/lib/until_exit.sh"
. "$(dirname "$0")/lib/play_window.sh"

# The source's files with their contents' sums: what play must leave alone.
listing() { (cd "$WORK/src" && find . -type f -exec md5sum {} + | sort); }

mkdir -p "$WORK/src"
cp -r "$SOURCE_DIR/examples/starter/." "$WORK/src/"
SCENE="$WORK/src/scenes/cube.yaml"
before_listing=$(listing)

start_xvfb "${W}x${H}x24" || exit 1
(cd "$WORK" && exec timeout 280 "$TOOL" play --dir src >"$WORK/out" 2>"$WORK/err") &
APP_PID=$!
if ! wait_for "$WORK/out" "^playing from" 1 || ! id=$(timeout 30 xdotool search --sync --name '^demotool play$' | head -1); then
  echo "FAIL: play did not start"; cat "$WORK/out" "$WORK/err"; exit 1
fi
timeout 10 xdotool windowfocus --sync "$id" 2>/dev/null
packs=$(sed -n 's/^built .* into //p' "$WORK/out" | head -1)
[ -n "$packs" ] && [ -f "$packs/data.pak" ] && echo "ok [build]: the source was built into $packs" ||
  fail "play did not say where it built the source ($(cat "$WORK/out"))"

# Paused with the overlay hidden, a saved edit of the background: rebuilt and shown at the same
# step, as snapshot shows a build of the edited source there.
key h
sleep 1
key space
wait_for "$WORK/out" "^paused at" 1 || fail "no pause"
step=$(sed -n 's/^paused at .* (step \([0-9]*\))$/\1/p' "$WORK/out" | tail -1)
sleep 0.5; shot before
sed -i 's/^background: \[0.05, 0.05, 0.12\]/background: [0.45, 0.05, 0.12]/' "$SCENE"
wait_for "$WORK/out" "^rebuilt the source at" 1 || fail "the edit was not rebuilt"
wait_for "$WORK/out" "^shown .* (step $step)" 1 || fail "the rebuilt show did not return to step $step"
sleep 0.5; shot edited
mkdir -p "$WORK/check"
"$TOOL" build "$WORK/src" -o "$WORK/check/data.pak" 2>"$WORK/check.err" &&
  "$TOOL" snapshot --dir "$WORK/check" -o "$WORK/snap" "$(awk "BEGIN { printf \"%.6f\", $step / 60 }")" >/dev/null 2>>"$WORK/check.err" ||
  fail "the edited source did not build or photograph: $(cat "$WORK/check.err")"
changed=$(differing "$WORK/before.png" "$WORK/edited.png" picture)
same=$(FUZZ=1 differing "$WORK/edited.png" "$WORK/snap/"*.png picture)
[ "$changed" != 0 ] && [ "$same" = 0 ] &&
  echo "ok [edit]: the saved edit is shown at step $step as snapshot shows it ($changed pixels changed)" ||
  fail "after the edit the window differs from the edited source's snapshot in $same pixels ($changed from before)"

# A typo: the picture stays, and the problem with its place is on standard error and on screen.
sed -i 's/fieldOfView/fieldOfVeiw/' "$SCENE"
wait_for "$WORK/err" "^scenes/cube.yaml:12:7: a known key, not 'fieldOfVeiw'$" 1 ||
  fail "the typo was not reported with its place ($(cat "$WORK/err"))"
wait_for "$WORK/out" "^shown .* (step $step)" 2 || fail "the failed build did not return to step $step"
sleep 0.5; shot kept
key h
sleep 1; shot overlay
kept=$(differing "$WORK/edited.png" "$WORK/kept.png" picture)
alert=$(alert_share "$WORK/overlay.png")
[ "$kept" = 0 ] && awk "BEGIN { exit !($alert > 0.001) }" &&
  echo "ok [typo]: the last good show stays and the overlay shows the problem ($alert of the window in its colour)" ||
  fail "typo: $kept pixels changed, warning colour $alert"

# The fix: built again, the problem gone from the overlay.
sed -i 's/fieldOfVeiw/fieldOfView/' "$SCENE"
wait_for "$WORK/out" "^rebuilt the source at" 2 || fail "the fix was not rebuilt"
wait_for "$WORK/out" "^shown .* (step $step)" 3 || fail "the fixed show did not return to step $step"
sleep 1; shot fixed
cleared=$(alert_share "$WORK/fixed.png")
awk "BEGIN { exit !($cleared < $alert / 4) }" && echo "ok [fix]: the problem left the overlay ($cleared in its colour)" ||
  fail "after the fix the overlay still shows a problem ($cleared in the warning colour, $alert before)"

# Escape: exit code 0, the source as it was but for the edit, the temporary folder gone.
press_until_exit "$APP_PID" 30 key Escape || fail "Escape did not end play"
rc=0
wait "$APP_PID" || rc=$?
APP_PID=""
[ "$rc" -eq 0 ] || { fail "exit code $rc after Escape"; cat "$WORK/err"; }
sed -i 's/^background: \[0.45, 0.05, 0.12\]/background: [0.05, 0.05, 0.12]/' "$SCENE"
[ "$(listing)" = "$before_listing" ] && [ -n "$packs" ] && [ ! -e "$packs" ] &&
  echo "ok [escape]: exit code 0, nothing written into the source, the temporary folder removed" ||
  fail "after Escape: the source changed or $packs is still there"
stop_xvfb
exit $status
