# Shared by the window script tests (sourced): keys a person would press again when the program
# does not react, because a single key event may arrive before the window is active or between
# two looks of its loop.

# press_until_exit PID SECONDS COMMAND...: runs COMMAND (one press) again and again, a second
# apart, until process PID has ended or SECONDS have passed. 0 when it ended, 1 otherwise.
press_until_exit() {
  local pid=$1 limit=$2
  shift 2
  local end=$((SECONDS + limit))
  while kill -0 "$pid" 2>/dev/null; do
    [ "$SECONDS" -lt "$end" ] || return 1
    "$@" 2>/dev/null
    for _ in 1 2 3 4 5 6 7 8 9 10; do
      kill -0 "$pid" 2>/dev/null || return 0
      sleep 0.1
    done
  done
  return 0
}

# hold_escape [WINDOW]: Escape held down for a moment, as a person presses it: to the window
# given (events sent to it), or to the focused window.
hold_escape() {
  if [ -n "${1:-}" ]; then
    timeout 10 xdotool keydown --window "$1" Escape
    sleep 0.3
    timeout 10 xdotool keyup --window "$1" Escape
  else
    timeout 10 xdotool keydown Escape
    sleep 0.3
    timeout 10 xdotool keyup Escape
  fi
}

# focus_and_escape WINDOW: the window focused, then Escape held to the focused window.
focus_and_escape() {
  timeout 10 xdotool windowfocus "$1"
  hold_escape
}
