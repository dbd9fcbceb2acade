#!/usr/bin/env bash
# Builds the recorder and starts it under Wine (on Windows, just run the exe). Without a display it
# runs a scripted demo instead, on a virtual display with virtual audio.
set -euo pipefail
cd "$(dirname "$0")"
source cmake/setup.sh
morvik_install || exit 1

build="$MORVIK_ROOT/build"
morvik_build "$build/win32" -DCMAKE_TOOLCHAIN_FILE="$MORVIK_ROOT/cmake/mingw-i686.cmake"
exe="$build/win32/app/MorvikWavRecorder.exe"
loader="$(morvik_wine_loader)"
if [ "$(morvik_wine_flavour)" = win64 ]; then
  # 32-bit Wine cannot start here (a kernel that runs 64-bit code only, or no 32-bit Wine
  # installed): start the x86-64 build of the same sources instead.
  morvik_build "$build/win64" -DCMAKE_TOOLCHAIN_FILE="$MORVIK_ROOT/cmake/mingw-x86_64.cmake"
  exe="$build/win64/app/MorvikWavRecorder.exe"
fi
if [ -n "${DISPLAY:-}" ]; then
  # Wine's own diagnostics only when asked for.
  export WINEDEBUG="${WINEDEBUG:--all}"
  # Wine spells Unix file names in the locale's character set: only UTF-8 holds every name.
  [ "$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8
  echo "starting $exe under $(basename "$loader") in the Wine prefix ${WINEPREFIX:-${HOME:-~}/.wine}"
  exec "$loader" "$exe"
fi

# No display (a headless machine, CI): start a virtual display and virtual audio, and show the
# main job done in a short scripted demo; what it made stays in build/demo.
demo="$build/demo"
mkdir -p "$demo"
probe="$demo/window_probe.exe"
compiler=x86_64-w64-mingw32-g++-posix
[ "$(morvik_wine_flavour)" = win32 ] && compiler=i686-w64-mingw32-g++-posix
if [ ! "$probe" -nt demo/window_probe.cpp ]; then
  "$compiler" -std=c++17 -Os -static -s -o "$probe" demo/window_probe.cpp -lcomctl32
fi
echo "no display here: running a short demo on a virtual display with virtual audio"
exec demo/session.sh -- /usr/bin/python3 demo/demo.py --exe "$exe" --probe "$probe" --out "$demo"
