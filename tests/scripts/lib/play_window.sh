# Helpers of the scripts that drive demotool play's window under Xvfb. Expects WORK (the
# scratch folder) and, for wait_for, APP_PID (the program under test).

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
# Pixels that differ between two pictures (the picture area of each when "picture" is given);
# with FUZZ set, only by more than 1% (a level or two in a channel).
differing() {  # a b [picture]
  local crop=()
  [ "${3:-}" = picture ] && crop=(-crop "$PICTURE" +repage)
  convert "$1" "${crop[@]}" "$WORK/cmp_a.png" && convert "$2" "${crop[@]}" "$WORK/cmp_b.png" &&
    compare -metric AE ${FUZZ:+-fuzz 1%} "$WORK/cmp_a.png" "$WORK/cmp_b.png" null: 2>&1
}
# Share (0..1) of pixels in the overlay's warning colour.
alert_share() { convert "$1" -fill black +opaque "#FFAA28" -fill white -opaque "#FFAA28" -format "%[fx:mean]" info:; }
