#!/usr/bin/env bash
# Lists the resources of Windows programs with MinGW's windres and checks that each carries its
# application manifest (per-monitor DPI awareness, common controls 6, the supported Windows
# versions, no elevation), its icon and its version information naming the program.
# Usage: program_resources.sh WINDRES program.exe...
set -u
WINDRES=${1:?windres of the MinGW toolchain}
shift
command -v "$WINDRES" >/dev/null || { echo "FAIL: $WINDRES is not installed"; exit 1; }
status=0
for exe in "$@"; do
  name=$(basename "$exe")
  listing=$("$WINDRES" -i "$exe" -O rc 2>&1) || { echo "FAIL [$name]: windres cannot read it: $listing"; status=1; continue; }
  missing=()
  for want in "RT_MANIFEST" "<dpiAwareness" "PerMonitorV2" "true/pm" "Microsoft.Windows.Common-Controls" \
      "requestedExecutionLevel level=\"\"asInvoker\"\"" "RT_GROUP_ICON" "RT_ICON" "VERSIONINFO" \
      "VALUE \"OriginalFilename\", \"$name\"" "VALUE \"ProductName\", \"demoplayer\""; do
    grep -qF -- "$want" <<<"$listing" || missing+=("$want")
  done
  oses=$(grep -c "supportedOS Id=" <<<"$listing")
  [ "$oses" -eq 5 ] || missing+=("5 supportedOS (found $oses)")
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "FAIL [$name]: no ${missing[*]}"; status=1; continue
  fi
  echo "ok [$name]: manifest (per-monitor DPI aware, common controls 6, $oses Windows versions), icon, version information"
done
exit $status
