#!/usr/bin/env bash
# The real player under Xvfb: with a small show (tools/test_pack) each of the three builds
# (1024x768, 800x600, 640x480) plays for about 2 s, the screen shows the black letterbox bars
# around a non-empty picture, and Escape ends it with exit code 0; without data.pak it opens the
# empty letterboxed picture and leaves with 0 too; a damaged data.pak is reported in a box and
# ends the program with exit code 1 before any window; without a sound device the player says so
# in one line (none of the audio library's own reports) and plays on.
# Arguments: build folder, source folder.
set -u
BUILD_DIR=$(cd "${1:?build folder}" && pwd)
PLAYER="$BUILD_DIR/demoplayer"
PACKER="$BUILD_DIR/tools/test_pack/test_pack"
for bin in "$PLAYER" "$PACKER"; do
  [ -x "$bin" ] || { echo "FAIL: $bin is missing"; exit 1; }
done
for tool in Xvfb xdotool import od awk; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

XVFB_FIRST=200
. "$(dirname "$0")/lib/xvfb.sh"
. "$(dirname "$0")/lib/letterbox_measure.sh"
. "$(dirname "$0")/lib/until_exit.sh"

# Starts the player in folder $1 (output in $WORK/out, $WORK/err).
start_player() {
  (cd "$1" && SDL_AUDIODRIVER=dummy exec timeout 90 "$PLAYER" >"$WORK/out" 2>"$WORK/err") &
  APP_PID=$!
}

# Return to the box $1.
answer_box() {
  timeout 10 xdotool windowfocus "$1"
  timeout 10 xdotool key --window "$1" Return
}

# Waits for the player; its exit code in RC.
finish_player() {
  RC=0
  wait "$APP_PID" || RC=$?
  APP_PID=""
}

# Escape to the window titled Test until the player ends (at most 30 s); FAIL message when there
# is no such window or the player goes on. The loop looks at the key only between messages, so
# the key is held down for a moment as a person would, and pressed again while the player runs.
escape_window() {
  local id
  if ! id=$(timeout 30 xdotool search --sync --name '^Test$' | head -1) || [ -z "$id" ]; then
    echo "no window titled Test"; return 1
  fi
  press_until_exit "$APP_PID" 30 focus_and_escape "$id" || { echo "Escape did not end the player"; return 1; }
}


# Plays the show of $WORK/show with program $1 on a $2 x $3 screen, takes a screenshot after
# about 2 s, leaves with Escape, and checks the exit code, the $4-row bars and the picture.
play_show() {
  local program=$1 width=$2 height=$3 bar=$4 name msg
  name=$(basename "$program")
  start_xvfb "${width}x${height}x24" || return 1
  rm -f "$WORK/shot.rgb"
  (cd "$WORK/show" && SDL_AUDIODRIVER=dummy exec timeout 90 "$program" >"$WORK/out" 2>"$WORK/err") &
  APP_PID=$!
  local ok=0
  if ! timeout 30 xdotool search --sync --name '^Test$' >/dev/null 2>&1; then
    echo "FAIL [$name]: no window titled Test"; ok=1
  else
    sleep 2
    import -window root -depth 8 "rgb:$WORK/shot.rgb" 2>"$WORK/import.log"
    msg=$(escape_window) || { echo "FAIL [$name]: $msg"; ok=1; }
  fi
  finish_player
  stop_xvfb
  [ $ok -eq 0 ] || return 1
  if [ "$RC" -ne 0 ]; then
    echo "FAIL [$name]: exit code $RC"; cat "$WORK/out" "$WORK/err"; return 1
  fi
  if [ ! -s "$WORK/shot.rgb" ] || [ "$(stat -c %s "$WORK/shot.rgb")" -ne $((width * height * 3)) ]; then
    echo "FAIL [$name]: no ${width}x${height} screenshot"; cat "$WORK/import.log"; return 1
  fi
  local top bottom lit levels
  read -r top bottom lit levels <<<"$(analyse "$WORK/shot.rgb" "$width" "$height" "$bar")"
  if [ "$top" -gt 8 ] || [ "$bottom" -gt 8 ]; then
    echo "FAIL [$name]: letterbox bars are not black (brightest $top above, $bottom below)"; return 1
  fi
  if awk "BEGIN { exit !($lit < 0.9) }" || [ "$levels" -lt 3 ]; then
    echo "FAIL [$name]: the picture looks empty ($lit lit, $levels levels)"; return 1
  fi
  echo "ok [$name]: ${bar}-row bars black, picture $lit lit with $levels levels, exit code 0"
}

status=0

# 1. The small show in each of the three builds.
mkdir -p "$WORK/show"
"$PACKER" "$WORK/show/data.pak" || { echo "FAIL [show]: test_pack failed"; exit 1; }
play_show "$PLAYER" 1024 768 96 || status=1
for build in "demoplayer-800 800 600 75" "demoplayer-640 640 480 60"; do
  read -r program width height bar <<<"$build"
  if [ -x "$BUILD_DIR/$program" ]; then
    play_show "$BUILD_DIR/$program" "$width" "$height" "$bar" || status=1
  else
    echo "FAIL: $BUILD_DIR/$program is missing"; status=1
  fi
done

start_xvfb 1024x768x24 || exit 1
# 2. No data.pak: the empty letterboxed show, Escape, exit code 0.
mkdir -p "$WORK/empty"
start_player "$WORK/empty"
msg=$(escape_window) || { echo "FAIL [empty]: $msg"; status=1; }
finish_player
if [ "$RC" -ne 0 ]; then
  echo "FAIL [empty]: exit code $RC"; cat "$WORK/out" "$WORK/err"; status=1
else
  echo "ok [empty]: exit code 0 without data.pak"
fi

# 3. A damaged data.pak (cut short): one box naming the offset, exit code 1, no window.
mkdir -p "$WORK/bad"
size=$(stat -c %s "$WORK/show/data.pak")
head -c $((size / 2)) "$WORK/show/data.pak" >"$WORK/bad/data.pak"
start_player "$WORK/bad"
box=""
for _ in $(seq 150); do  # the box, if a display shows it, until the player has ended
  box=$(xdotool search --name '^Cannot load the show$' 2>/dev/null | head -1)
  [ -n "$box" ] && break
  kill -0 "$APP_PID" 2>/dev/null || break
  sleep 0.1
done
if [ -n "$box" ]; then
  xdotool search --name '^Test$' >/dev/null 2>&1 && { echo "FAIL [damaged]: a show window opened"; status=1; }
  # Return answers the box; again while the player runs, as a person would.
  press_until_exit "$APP_PID" 30 answer_box "$box"
fi
finish_player
if [ "$RC" -ne 1 ]; then
  echo "FAIL [damaged]: exit code $RC (expected 1)"; cat "$WORK/out" "$WORK/err"; status=1
elif [ -z "$box" ] && ! grep -q "Cannot load the show: data.pak: truncated at byte [0-9]" "$WORK/err"; then
  echo "FAIL [damaged]: the damage was not reported"; cat "$WORK/err"; status=1
else
  echo "ok [damaged]: reported${box:+ in a box}, exit code 1"
fi

# 4. No sound device (ALSA asked for a device that does not exist, so this holds on any machine):
# one line on standard error, the show plays, Escape ends it with 0.
(cd "$WORK/show" && SDL_AUDIODRIVER=alsa AUDIODEV=no_such_device exec timeout 90 "$PLAYER" >"$WORK/out" 2>"$WORK/err") &
APP_PID=$!
msg=$(escape_window) || { echo "FAIL [no sound]: $msg"; status=1; }
finish_player
if [ "$RC" -ne 0 ]; then
  echo "FAIL [no sound]: exit code $RC"; cat "$WORK/out" "$WORK/err"; status=1
elif [ "$(wc -l <"$WORK/err")" -ne 1 ] || ! grep -q '^No sound device (.*): playing without music\.$' "$WORK/err"; then
  echo "FAIL [no sound]: expected one line on standard error:"; cat "$WORK/err"; status=1
else
  echo "ok [no sound]: $(cat "$WORK/err")"
fi

stop_xvfb
exit $status
