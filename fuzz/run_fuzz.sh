#!/usr/bin/env bash
# Fuzzes one target for a bounded time, starting from its corpus in the source tree.
#
#   run_fuzz.sh FUZZER_BINARY TARGET SECONDS OUT_DIR [extra libFuzzer options]
#
# New inputs go to OUT_DIR/work/TARGET (the source corpus is only read); an input that crashes,
# leaks, trips a sanitizer, runs past the time limit or the memory limit is written to
# OUT_DIR/findings/TARGET/ and the script fails.
set -euo pipefail
binary=$(realpath "$1") target=$2 seconds=$3
# Absolute paths: the targets change their working directory.
mkdir -p "$4"
out=$(cd "$4" && pwd)
shift 4
here=$(cd "$(dirname "$0")" && pwd)
work=$out/work/$target
findings=$out/findings/$target
mkdir -p "$work" "$findings"
dict=()
case $target in
  show_load|scene_record) dict=("-dict=$here/pack.dict") ;;
  # The sample show's scene files (up to 230 kB) are seeds; mutating them whole is slow.
  show_source) dict=("-dict=$here/show_source.dict" -max_len=16384) ;;
  *) [ -f "$here/$target.dict" ] && dict=("-dict=$here/$target.dict") ;;
esac
if ! "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "${dict[@]}" "$@" "$work" "$here/corpus/$target"; then
  echo "FAIL: $target: the input that failed is in $findings/" >&2
  ls -l "$findings" >&2
  exit 1
fi
