#!/usr/bin/env bash
# Live window under Xvfb: the window opens in full screen (or, where the screen cannot show the
# mode, asks and goes on in a window), draws, switches with F1, and leaves on Escape with exit 0.
# Arguments: build folder, source folder.
set -u
BUILD_DIR=$(cd "${1:?build folder}" && pwd)
BIN="$BUILD_DIR/tests/window_smoke/window_smoke"
[ -x "$BIN" ] || { echo "FAIL: $BIN is missing"; exit 1; }
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

XVFB_FIRST=140
. "$(dirname "$0")/lib/xvfb.sh"
. "$(dirname "$0")/lib/until_exit.sh"

wait_for_first_frame() {
  for _ in $(seq 300); do
    grep -q "first frame" "$WORK/out" 2>/dev/null && return 0
    kill -0 "$APP_PID" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# run_case NAME SCREEN "KEYS" EXPECTED_STATES [program arguments...]
run_case() {
  local name=$1 screen=$2 keys=$3 states=$4
  shift 4
  start_xvfb "$screen" || return 1
  : >"$WORK/out"; : >"$WORK/err"
  SDL_AUDIODRIVER=dummy timeout 60 "$BIN" "$@" >"$WORK/out" 2>"$WORK/err" &
  APP_PID=$!
  wait_for_first_frame || { echo "FAIL [$name]: no frame drawn"; cat "$WORK/out" "$WORK/err"; return 1; }
  local id
  id=$(xdotool search --name '^Test$' | head -1)
  [ -n "$id" ] || { echo "FAIL [$name]: no window titled Test"; return 1; }
  timeout 10 xdotool windowfocus --sync "$id" 2>/dev/null
  # The keys before the last are pressed once each; the last one (Escape) is pressed again while
  # the program runs, at most 30 s.
  local last=${keys##* } first=""
  [ "$keys" = "$last" ] || first=${keys% *}
  for key in $first; do
    xdotool key "$key"
    sleep 0.7
  done
  press_until_exit "$APP_PID" 30 xdotool key "$last" || echo "FAIL [$name]: $last did not end the program"
  local rc=0
  wait "$APP_PID" || rc=$?
  APP_PID=""
  stop_xvfb
  [ "$rc" -eq 0 ] || { echo "FAIL [$name]: exit code $rc"; cat "$WORK/out" "$WORK/err"; return 1; }
  grep -q "fullscreen_seen=$states\$" "$WORK/out" ||
    { echo "FAIL [$name]: expected full-screen states $states"; cat "$WORK/out"; return 1; }
  echo "ok [$name]: $(tail -1 "$WORK/out")"
}

status=0
# The screen offers 1024x768: real full screen, F1 to a window and back, then Escape.
run_case fullscreen 1024x768x24 "F1 F1 Escape" 101 || status=1
# The screen cannot show 1024x768: the question (answered Yes on standard error), a window.
run_case windowed-fallback 800x600x24 "Escape" 0 --stderr-boxes || status=1
if [ $status -eq 0 ] && ! grep -q "The Requested Fullscreen Mode Is Not Supported By" "$WORK/err"; then
  echo "FAIL [windowed-fallback]: the full-screen question was not asked"; cat "$WORK/err"; status=1
fi
# The 640x480 build's size.
run_case small 640x480x24 "Escape" 1 --size 640x480 || status=1

exit $status
