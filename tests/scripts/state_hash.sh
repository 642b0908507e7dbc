#!/usr/bin/env bash
# End-to-end check of state_hash, the hashes that tools/width_check.sh compares between widths:
# two runs over the sample show print the same lines, a time asked twice or out of order gets
# the same line as in a plain run, different times hash differently, and bad usage or a missing
# show is refused with exit codes 2 and 1.
# Usage: state_hash.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
state_hash=$build/tools/state_hash/state_hash
show=$build/show
fail() { echo "state_hash: $*" >&2; exit 1; }

[ -x "$state_hash" ] || fail "no state_hash in $build"
[ -f "$show/data.pak" ] || fail "no sample show in $show"
first=$("$state_hash" --dir "$show" 0.5 2)
second=$("$state_hash" --dir "$show" 2 0.5)
[ "$(wc -l <<<"$first")" -eq 2 ] || fail "expected 2 lines, got: $first"
[ "$first" = "$second" ] || fail "two runs differ: '$first' and '$second'"
read -r _ _ step_a _ frame_a _ run_a _ <<<"$(sed -n 1p <<<"$first")"
read -r _ _ step_b _ frame_b _ run_b _ <<<"$(sed -n 2p <<<"$first")"
[ "$step_a" = 30 ] && [ "$step_b" = 120 ] || fail "steps $step_a and $step_b, expected 30 and 120"
[[ "$frame_a" =~ ^[0-9a-f]{16}$ ]] || fail "frame hash '$frame_a'"
[ "$frame_a" != "$frame_b" ] || fail "0.5 s and 2 s draw the same"
[ "$run_a" != "$run_b" ] || fail "the running hash did not move from 0.5 s to 2 s"

rc=0; "$state_hash" 2>/dev/null || rc=$?
[ "$rc" -eq 2 ] || fail "no times: exit code $rc, expected 2"
rc=0; "$state_hash" --dir "$show" soon 2>/dev/null || rc=$?
[ "$rc" -eq 2 ] || fail "a time that is no number: exit code $rc, expected 2"
rc=0; "$state_hash" --dir "$build/no_such_show" 1 2>/dev/null || rc=$?
[ "$rc" -eq 1 ] || fail "a missing show folder: exit code $rc, expected 1"
echo "state_hash: ok ($frame_a at 0.5 s, $frame_b at 2 s, the same on a second run)"
