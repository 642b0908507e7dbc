#!/usr/bin/env bash
# The 64-bit Windows players under Wine and Xvfb. With the sample show each of the three builds
# plays for about 6 s; a capture of the program's own window (a capture of the root window is
# black under Wine) shows the black letterbox bars around a drawn picture, and Escape sent to the
# window ends it with exit code 0. Without data.pak the empty show leaves on Escape with 0. A
# damaged data.pak shows the error (file and offset) in a message box, whose text Wine's msgbox
# trace gives, and ends with exit code 1; so does a missing animation file, whose line also goes
# into the log file beside the program.
# Arguments: the Windows build folder, the sample show folder.
set -u
BUILD_DIR=$(cd "${1:?build folder}" && pwd)
SHOW_DIR=${2:?sample show folder}
HERE=$(cd "$(dirname "$0")" && pwd)
RUN="$HERE/wine_run.sh"
WINESERVER="$(dirname "${DEMO_WINE:-/usr/lib/wine/wine64}")/wineserver"
for file in "$BUILD_DIR/demoplayer.exe" "$SHOW_DIR/data.pak" "$SHOW_DIR/music.mp3"; do
  [ -f "$file" ] || { echo "FAIL: $file is missing"; exit 1; }
done
for tool in Xvfb xdotool xwininfo import od awk; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed"; exit 1; }
done

XVFB_FIRST=260
. "$HERE/../scripts/lib/xvfb.sh"
. "$HERE/../scripts/lib/letterbox_measure.sh"
. "$HERE/../scripts/lib/until_exit.sh"

# Starts program $1 in folder $2 under Wine (output in $WORK/out, $WORK/err).
start_player() {
  (cd "$2" && exec timeout 120 bash "$RUN" "$1" >"$WORK/out" 2>"$WORK/err") &
  APP_PID=$!
}

finish_player() {
  RC=0
  wait "$APP_PID" || RC=$?
  APP_PID=""
  # Wine's server and desktop outlive the program for a few seconds, tied to this X server; the
  # next program, on a new X server, must start a fresh one.
  WINEPREFIX="$DEMO_WINEPREFIX" timeout 30 "$WINESERVER" -k 2>/dev/null
  WINEPREFIX="$DEMO_WINEPREFIX" timeout 30 "$WINESERVER" -w 2>/dev/null
}

# The X window of the program's window titled Test, waiting up to 60 s; empty when none came.
window_id() {
  local id=""
  for _ in $(seq 120); do
    id=$(timeout 10 xwininfo -root -tree 2>/dev/null | awk '$2 == "\"Test\":" { print $1; exit }')
    [ -n "$id" ] && break
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.5
  done
  echo "$id"
}

# Escape to window $1, held a moment as a person would, and again while the player runs (at
# most 60 s).
escape_window() {
  press_until_exit "$APP_PID" 60 hold_escape "$1"
}


status=0
mkdir -p "$WORK/show"
cp "$SHOW_DIR"/data.pak "$SHOW_DIR"/music.mp3 "$WORK/show/"
[ -f "$SHOW_DIR/spinner.flc" ] && cp "$SHOW_DIR/spinner.flc" "$WORK/show/"

# 1. The sample show in each build, on a screen of the build's size.
for build in "demoplayer 1024 768 96" "demoplayer-800 800 600 75" "demoplayer-640 640 480 60"; do
  read -r program width height bar <<<"$build"
  [ -f "$BUILD_DIR/$program.exe" ] || { echo "FAIL: $program.exe is missing"; status=1; continue; }
  cp "$BUILD_DIR/$program.exe" "$WORK/show/"
  start_xvfb "${width}x${height}x24" || exit 1
  start_player "$program.exe" "$WORK/show"
  id=$(window_id)
  if [ -z "$id" ]; then
    echo "FAIL [$program]: no window titled Test"; status=1
    kill "$APP_PID" 2>/dev/null; finish_player; stop_xvfb
    echo "exit code $RC:"; grep -v '^ALSA' "$WORK/err" | tail -5; continue
  fi
  sleep 6
  rm -f "$WORK/shot.rgb"
  timeout 30 import -window "$id" -depth 8 "rgb:$WORK/shot.rgb" 2>"$WORK/import.log"
  escape_window "$id"
  finish_player
  stop_xvfb
  if [ "$RC" -ne 0 ]; then
    echo "FAIL [$program]: exit code $RC"; grep -v '^ALSA' "$WORK/err" | tail -5; status=1; continue
  fi
  size=$(stat -c %s "$WORK/shot.rgb" 2>/dev/null || echo 0)
  if [ "$size" -ne $((width * height * 3)) ]; then
    echo "FAIL [$program]: window capture of $size bytes"; cat "$WORK/import.log"; status=1; continue
  fi
  read -r top bottom lit levels <<<"$(analyse "$WORK/shot.rgb" "$width" "$height" "$bar")"
  if [ "$top" -gt 8 ] || [ "$bottom" -gt 8 ]; then
    echo "FAIL [$program]: letterbox bars not black (top $top, bottom $bottom)"; status=1; continue
  fi
  if awk "BEGIN { exit !($lit < 0.9) }" || [ "$levels" -lt 3 ]; then
    echo "FAIL [$program]: the picture looks empty ($lit lit, $levels levels)"; status=1; continue
  fi
  echo "ok [$program]: ${bar}-row bars black, picture $lit lit with $levels levels, exit code 0"
done

start_xvfb 1024x768x24 || exit 1

# 2. No data.pak: the empty show, Escape, exit code 0.
mkdir -p "$WORK/empty"
cp "$BUILD_DIR/demoplayer.exe" "$WORK/empty/"
start_player demoplayer.exe "$WORK/empty"
id=$(window_id)
if [ -z "$id" ]; then
  echo "FAIL [empty]: no window titled Test"; status=1; kill "$APP_PID" 2>/dev/null
else
  sleep 1
  escape_window "$id"
fi
finish_player
if [ -n "$id" ] && [ "$RC" -ne 0 ]; then
  echo "FAIL [empty]: exit code $RC"; status=1
elif [ -n "$id" ]; then
  echo "ok [empty]: exit code 0 without data.pak"
fi

# 3. A damaged data.pak (cut short): a box naming the file and the offset, no show window, exit
#    code 1.
mkdir -p "$WORK/bad"
cp "$BUILD_DIR/demoplayer.exe" "$WORK/bad/"
head -c 20000 "$SHOW_DIR/data.pak" >"$WORK/bad/data.pak"
(cd "$WORK/bad" && WINEDEBUG=-all,+msgbox exec timeout 120 bash "$RUN" demoplayer.exe >"$WORK/out" 2>"$WORK/err") &
APP_PID=$!
box=""
for _ in $(seq 120); do
  box=$(timeout 10 xdotool search --name '^Cannot load the show$' 2>/dev/null | head -1)
  [ -n "$box" ] && break
  kill -0 "$APP_PID" 2>/dev/null || break
  sleep 0.5
done
shown_window=$(timeout 10 xwininfo -root -tree 2>/dev/null | awk '$2 == "\"Test\":" { print $1; exit }')
[ -n "$box" ] && press_until_exit "$APP_PID" 60 timeout 10 xdotool key --window "$box" Return
finish_player
text=$(grep -a -o 'MSGBOX_OnInit L"[^"]*"' "$WORK/err" | head -1)
if [ "$RC" -ne 1 ]; then
  echo "FAIL [damaged]: exit code $RC (expected 1)"; status=1
elif [ -z "$box" ]; then
  echo "FAIL [damaged]: no box captioned 'Cannot load the show'"; status=1
elif [ -n "$shown_window" ]; then
  echo "FAIL [damaged]: a show window opened"; status=1
elif ! grep -Eq 'L"data.pak: truncated at byte [0-9]+' <<<"$text"; then
  echo "FAIL [damaged]: the box says ${text:-nothing}"; status=1
else
  echo "ok [damaged]: box ${text#MSGBOX_OnInit }, exit code 1"
fi

# 4. The show's animation file missing: a GUI program has no standard output, so the decoder's
#    fatal line comes in a box captioned ERROR and in demoplayer.log beside the program, and the
#    program ends with exit code 1.
if [ -f "$SHOW_DIR/spinner.flc" ]; then
  mkdir -p "$WORK/noflc"
  cp "$BUILD_DIR/demoplayer.exe" "$SHOW_DIR/data.pak" "$WORK/noflc/"
  rm -f "$WORK/noflc/demoplayer.log"
  (cd "$WORK/noflc" && WINEDEBUG=-all,+msgbox exec timeout 120 bash "$RUN" demoplayer.exe >"$WORK/out" 2>"$WORK/err") &
  APP_PID=$!
  box=""
  for _ in $(seq 120); do
    box=$(timeout 10 xdotool search --name '^ERROR$' 2>/dev/null | head -1)
    [ -n "$box" ] && break
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.5
  done
  [ -n "$box" ] && timeout 10 xdotool key --window "$box" Return
  finish_player
  text=$(grep -a -o 'MSGBOX_OnInit L"[^"]*"' "$WORK/err" | head -1)
  logged=$(tr -d '\r' <"$WORK/noflc/demoplayer.log" 2>/dev/null)
  if [ "$RC" -ne 1 ]; then
    echo "FAIL [no animation file]: exit code $RC (expected 1)"; status=1
  elif [ -z "$box" ]; then
    echo "FAIL [no animation file]: no box captioned 'ERROR'"; status=1
  elif ! grep -q 'L"Wrong header: spinner.flc: ' <<<"$text"; then
    echo "FAIL [no animation file]: the box says ${text:-nothing}"; status=1
  elif ! grep -q '^Wrong header: spinner.flc: ' <<<"$logged"; then
    echo "FAIL [no animation file]: demoplayer.log holds '${logged}'"; status=1
  else
    echo "ok [no animation file]: box ${text#MSGBOX_OnInit }, the same line in demoplayer.log, exit code 1"
  fi
fi
stop_xvfb
exit $status
