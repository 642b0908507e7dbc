#!/usr/bin/env bash
# Builds the Windows players, 32-bit (i686) and 64-bit (x86-64), with the MinGW-w64 cross
# compilers, and lays out build/windows/win32/ and build/windows/win64/: demoplayer.exe,
# demoplayer-800.exe and demoplayer-640.exe beside the sample show (data.pak, music.mp3 and the
# FLC file, made by the native build's make_show), plus build/windows/win32.zip and win64.zip.
# Each program is checked with objdump (machine, GUI subsystem, only Windows' own DLLs) and
# windres (manifest, icon, version information).
# With --test the engine's test programs are built for both widths too, and the 64-bit ones, the
# players and the recorder are tested under Wine (CTest label "windows").
# Usage: bash tools/windows.sh [--test]
set -euo pipefail
cd "$(dirname "$0")/.."
with_tests=OFF
[ "${1:-}" = "--test" ] && with_tests=ON
bash tools/setup.sh
jobs=$(nproc)
[ "$jobs" -gt 2 ] || jobs=2

# The sample show, from the native build (the one tools/play.sh uses, unless DEMO_SHOW_BUILD
# names another native build folder).
show_build=${DEMO_SHOW_BUILD:-build/release}
[ -f "$show_build/CMakeCache.txt" ] || cmake -S . -B "$show_build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$show_build" -j"$jobs" --target sample_show
show=$(cd "$show_build/show" && pwd)

# Windows' own DLLs: anything else imported means a library was not linked in.
allowed="advapi32.dll avifil32.dll gdi32.dll kernel32.dll msacm32.dll msvcrt.dll msvfw32.dll opengl32.dll user32.dll winmm.dll"

check_program() {  # exe expected-format objdump
  local exe=$1 format=$2 objdump=$3 dll
  "$objdump" -p "$exe" >"$exe.objdump"
  grep -q "file format $format" "$exe.objdump" || { echo "windows: $exe is not $format"; return 1; }
  grep -q "Subsystem.*(Windows GUI)" "$exe.objdump" || { echo "windows: $exe is not a GUI program"; return 1; }
  for dll in $(awk '/DLL Name:/ { print tolower($3) }' "$exe.objdump"); do
    case " $allowed " in
      *" $dll "*) ;;
      *) echo "windows: $exe imports $dll"; return 1 ;;
    esac
  done
  rm -f "$exe.objdump"
  bash tests/windows/program_resources.sh "${objdump%objdump}windres" "$exe" >/dev/null ||
    { bash tests/windows/program_resources.sh "${objdump%objdump}windres" "$exe"; return 1; }
}

mkdir -p build/windows
for target in "win32 i686 pei-i386" "win64 x86_64 pei-x86-64"; do
  read -r name arch format <<<"$target"
  dir=build/mingw-$arch
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain_mingw_$arch.cmake -DCMAKE_BUILD_TYPE=Release \
    -DDEMO_BUILD_TOOLS=OFF -DDEMO_BUILD_BENCH=OFF -DDEMO_BUILD_TESTS=$with_tests \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DDEMO_SAMPLE_SHOW_DIR="$show"
  if [ "$with_tests" = ON ]; then
    cmake --build "$dir" -j"$jobs"
  else
    cmake --build "$dir" -j"$jobs" --target demoplayer demoplayer-800 demoplayer-640
  fi
  out=build/windows/$name
  rm -rf "$out" "build/windows/$name.zip"
  mkdir -p "$out"
  for program in demoplayer demoplayer-800 demoplayer-640; do
    cp "$dir/$program.exe" "$out/"
    check_program "$out/$program.exe" "$format" "$arch-w64-mingw32-objdump"
  done
  cp "$show"/data.pak "$show"/music.mp3 "$out/"
  [ -f "$show/spinner.flc" ] && cp "$show/spinner.flc" "$out/"
  (cd build/windows && cmake -E tar cf "$name.zip" --format=zip "$name")
  echo "windows: $out and build/windows/$name.zip ready"
done

if [ "$with_tests" = ON ]; then
  ctest --test-dir build/mingw-x86_64 --output-on-failure -j"$jobs" --timeout 600 -L windows
fi
