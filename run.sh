#!/usr/bin/env bash
# Builds the recorder and starts it under Wine (on Windows, just run the exe).
set -euo pipefail
cd "$(dirname "$0")"
source cmake/setup.sh
morvik_install

build="$MORVIK_ROOT/build"
morvik_build "$build/win32" -DCMAKE_TOOLCHAIN_FILE="$MORVIK_ROOT/cmake/mingw-i686.cmake"
exe="$build/win32/app/MorvikWavRecorder.exe"
loader="$(morvik_wine_loader)"
if [ "$(morvik_wine_flavour)" = win64 ]; then
  # This kernel runs 64-bit code only: start the x86-64 build of the same sources instead.
  morvik_build "$build/win64" -DCMAKE_TOOLCHAIN_FILE="$MORVIK_ROOT/cmake/mingw-x86_64.cmake"
  exe="$build/win64/app/MorvikWavRecorder.exe"
fi
echo "starting $exe"
exec "$loader" "$exe"
